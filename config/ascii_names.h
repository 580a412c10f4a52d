#pragma once
// Text files by extension: the user's list KORVAL.EXT (one ending a line),
// or ".TXT" when there is no list. Decides the entry kind of local files and
// the mode of Auto Detect transfers.

#include <string_view>

namespace korval::config {

// True when `name` is a text file by its ending; a ";" version suffix is
// ignored for the test.
bool IsAsciiName(std::string_view name);

}  // namespace korval::config
