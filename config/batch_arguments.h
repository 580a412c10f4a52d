#pragma once
// The transfer arguments of a command line: split into source and
// destination, and each classified as local or remote with its host and path.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korval::config {

enum class ArgumentKind { None = 0, Local = 1, Remote = 2 };

struct BatchArgument {
  ArgumentKind Kind = ArgumentKind::None;
  std::string Host;
  std::string Path;
  // Given only by the URL form ftp://[user[:password]@]host[:port]/path.
  std::optional<std::string> User;
  std::optional<std::string> Password;
  std::optional<unsigned> Port;
  // ftpes:// asks for explicit TLS (TLSMODE 2), ftps:// for implicit TLS (3).
  std::optional<std::int32_t> TlsMode;
};

// Splits off the first two words; a double quote opens a run copied without
// its quotes up to the closing quote, blanks included. Returns how many words
// were found (0, 1 or 2); words are cut at `capacity`.
int SplitBatchArguments(std::string_view text, std::string& first, std::string& second, std::size_t capacity);

// local:path or a name without ":" is local; host:full_path, //host/path and
// ftp://..., ftpes://... and ftps://... are remote.
BatchArgument ClassifyBatchArgument(std::string_view text);

// The batch entry's preparation of the text after the options: "-quiet" and
// "-ascii" are found anywhere and removed (setting QuietMode and MODE 'A'),
// backslashes become slashes, and the two arguments are split into
// Batch().Source and Batch().Destination. Sets BatchMode.
void PrepareBatchArguments(std::string_view text);

}  // namespace korval::config
