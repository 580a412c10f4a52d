#pragma once
// The command-line options that come before the transfer arguments, and the
// state they set for batch mode.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "config/prompts.h"

namespace korval::config {

constexpr std::size_t BatchArgumentCapacity = 255;

// What the options and the batch entry leave for the transfer.
struct BatchRequest {
  std::string Source;       // -s, or the first transfer argument
  std::string Destination;  // -d, or the second
  bool QuietMode = false;   // -quiet: no message boxes
  bool Verbose = false;     // -v: the message log on the terminal as it happens
  // Whether "-p" chose the current profile. Without it the current profile is
  // only the start-up one (SESSION), which a batch host never inherits.
  bool ProfileNamed = false;
  // What -u, -w and -c gave since the last -p or -i, each applied on its own.
  std::optional<std::string> UserOption;
  std::optional<std::string> PasswordOption;
  std::optional<std::string> AccountOption;
  // -t: the SHA-256 fingerprint of a server certificate trusted for this run.
  std::optional<std::string> TrustedFingerprint;
};
BatchRequest& Batch();
void ResetBatchRequest();

// Loads the global settings, then consumes the leading options of `text` and
// returns the rest of it (the transfer arguments), or nullopt on an unknown
// option. Called by LocateProgramFiles at start-up.
std::optional<std::string> ParseCommandOptions(std::string_view text);

// From `position` in `text`: skips the current word and the blanks after it,
// copies the next word into `target` (cut at `capacity`), skips the blanks
// after that; returns the new position.
std::size_t NextWord(std::string_view text, std::size_t position, std::string& target, std::size_t capacity);

// The usage text, shown with "Unknown arguments" and "Unknown batch command!".
extern const char* const UsageText;

}  // namespace korval::config
