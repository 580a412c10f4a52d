#pragma once
// The command-line options that come before the transfer arguments.

#include <optional>
#include <string>
#include <string_view>

namespace korval::config {

// Loads the global settings, then consumes the leading options of `text` and
// returns the rest of it (the transfer arguments), or nullopt on an unknown
// option. Called by LocateProgramFiles at start-up.
std::optional<std::string> ParseCommandOptions(std::string_view text);

}  // namespace korval::config
