// The command line: the option parser (which loads the settings from the
// scratch directory's KORVAL.INI, usually missing), then the batch entry's
// preparation of the rest and the classification of both transfer arguments.
// No prompt is answered (the quiet default host cancels them).

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "config/batch_arguments.h"
#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "tests/fuzz/fuzz_support.h"

using namespace korval;

namespace {

void CheckArgument(std::string_view text) {
  const config::BatchArgument argument = config::ClassifyBatchArgument(text);
  switch (argument.Kind) {
    case config::ArgumentKind::None:
      if (!argument.Host.empty() || !argument.Path.empty()) std::abort();
      break;
    case config::ArgumentKind::Local:
      if (!argument.Host.empty() || argument.Path.size() > text.size()) std::abort();
      break;
    case config::ArgumentKind::Remote:
      if (argument.Host.size() + argument.Path.size() > text.size()) std::abort();
      if (argument.Port && (*argument.Port == 0 || *argument.Port > 65535)) std::abort();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  fuzzing::ResetState();
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::optional<std::string> rest = config::ParseCommandOptions(text);
  if (rest) {
    if (rest->size() > text.size()) std::abort();
    if (config::ProgramFiles().ConfigPath.size() > config::ConfigPathCapacity) std::abort();
    config::PrepareBatchArguments(*rest);
    const config::BatchRequest& batch = config::Batch();
    if (batch.Source.size() > config::BatchArgumentCapacity || batch.Destination.size() > config::BatchArgumentCapacity)
      std::abort();
    CheckArgument(batch.Source);
    CheckArgument(batch.Destination);
  }
  std::string first, second;
  const int words = config::SplitBatchArguments(text, first, second, config::BatchArgumentCapacity);
  if (words < 0 || words > 2 || (words == 0 && !first.empty())) std::abort();
  CheckArgument(text);
  std::string word;
  if (config::NextWord(text, 0, word, 79) > text.size()) std::abort();
  config::BatchMode() = false;
  return 0;
}
