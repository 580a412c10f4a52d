#include "config/command_options.h"

#include "config/program_settings.h"

namespace korval::config {

// No option is recognised yet: the whole text is handed on as the transfer
// arguments. The option parser of batch mode replaces this definition.
std::optional<std::string> ParseCommandOptions(std::string_view text) {
  LoadGlobalSettings();
  return std::string(text);
}

}  // namespace korval::config
