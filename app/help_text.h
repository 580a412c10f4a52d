#pragma once
// What `korval --help` prints: the argument forms and the options in short,
// as the manual page (korval.1) gives them in full.

namespace korval::app {

extern const char* const HelpText;

}  // namespace korval::app
