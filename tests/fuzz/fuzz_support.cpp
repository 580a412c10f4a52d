#include "tests/fuzz/fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/message_log.h"
#include "engine/session.h"

namespace korval::fuzzing {

const std::string& ScratchDirectory() {
  // Never destroyed: the exit handler below still needs it.
  static const std::string& directory = *new std::string([] {
    std::string pattern = (::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) +
                          "/korval-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
      std::perror("korval fuzz scratch directory");
      std::abort();
    }
    return pattern;
  }());
  static const bool removedAtExit = std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }) == 0;
  (void)removedAtExit;
  return directory;
}

std::string WriteScratchFile(std::string_view name, std::string_view bytes) {
  std::string path = ScratchDirectory() + "/" + std::string(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

void ResetState() {
  ScratchDirectory();
  engine::ResetSession();
  engine::ResetCommandEngine();
  engine::ResetMessageLog();
  config::ResetProgramSettings();
  config::ResetBatchRequest();
  config::BatchMode() = false;
  config::CurrentProfile() = config::SessionProfile{};
  // No search: every companion file is a name in the scratch directory.
  config::ProgramFiles().ConfigPath = ScratchDirectory() + "/KORVAL.INI";
  config::ProgramFiles().ExtensionsPath = ScratchDirectory() + "/KORVAL.EXT";
  config::ProgramFiles().ConversionsPath = ScratchDirectory() + "/KORVAL.CNV";
}

SplitInput SplitAtNul(const std::uint8_t* data, std::size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  std::size_t nul = all.find('\0');
  if (nul == std::string_view::npos) return {all, {}};
  return {all.substr(0, nul), all.substr(nul + 1)};
}

}  // namespace korval::fuzzing
