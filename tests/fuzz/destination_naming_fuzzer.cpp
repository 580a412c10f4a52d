// Destination naming: the local name a received file gets and the extension
// conversion of both directions. The first byte holds the switches (RECU,
// CONVEXT, FORCLOW, an 8.3 volume, the Spartacus host type); the rest up to
// the first NUL byte is the remote name, and what follows it is KORVAL.CNV.
//
// A received name never leads out of the directory it is received into:
// unless the user's own conversion table brings one in, it holds no "/".

#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/destination_naming.h"
#include "engine/session.h"
#include "tests/fuzz/fuzz_support.h"

using namespace korval;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 2048) return 0;
  fuzzing::ResetState();
  const std::uint8_t switches = data[0];
  fuzzing::SplitInput input = fuzzing::SplitAtNul(data + 1, size - 1);
  fuzzing::WriteScratchFile("KORVAL.CNV", input.tail);

  config::ProgramSettings& settings = config::Settings();
  settings.ReceiveUnique = (switches & 1) ? 1 : 0;
  settings.ConvertExtensions = (switches & 2) ? 1 : 0;
  settings.ForceLowerCase = (switches & 4) ? 1 : 0;
  const bool shortNames = (switches & 8) != 0;
  engine::SetNameLengthQuery([shortNames]() -> long { return shortNames ? 12 : 255; });
  engine::TheSession().HostType = (switches & 16) ? 6029 : 6010;

  const std::string remote(input.head);
  const std::string local = engine::LocalNameFor(remote);
  if (local.empty() || local.size() > engine::LocalNameCapacity) std::abort();
  const bool tableMayAddSlash = settings.ConvertExtensions && input.tail.find('/') != std::string_view::npos;
  if (!tableMayAddSlash && local.find('/') != std::string::npos) std::abort();

  for (engine::ConversionDirection direction : {engine::ConversionDirection::Send, engine::ConversionDirection::Receive}) {
    std::string name = remote;
    const bool converted = engine::ConvertExtension(name, direction);
    if (converted && !settings.ConvertExtensions) std::abort();
  }
  engine::SetNameLengthQuery({});
  return 0;
}
