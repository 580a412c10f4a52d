#pragma once
// The program's title: the main window's caption and the caption of the
// message boxes batch mode shows.

#include <string_view>

namespace korval::config {

inline constexpr std::string_view ProgramTitle = "KORVAL95 LE";

}  // namespace korval::config
