#pragma once
// The version and build-date texts of the start-up banner and the About box.

#include <string>
#include <string_view>

namespace korval::ui::logic {

std::string_view ProgramVersionText();
// "yy.mm.dd" from a compiler date ("Dec 10 2026" -> "26.12.10"); the text
// unchanged when it is not one.
std::string BuildDateText(std::string_view compilerDate);
// The build date of this program.
std::string ProgramBuildDateText();
// The banner's notice of ownership.
inline constexpr std::string_view OwnershipNotice = "(c) the korval authors, free software without warranty";

}  // namespace korval::ui::logic
