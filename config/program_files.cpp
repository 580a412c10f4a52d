#include "config/program_files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "config/command_options.h"

namespace korval::config {

namespace {

std::mutex locationsMutex;
std::optional<SearchLocations> installedLocations;

bool FileExists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::string RealWorkingDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) return std::string(buffer.c_str());
    if (errno != ERANGE || buffer.size() > 65536) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string RealProgramPath() {
  std::string buffer(4096, '\0');
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  buffer.resize(static_cast<std::size_t>(length));
  return buffer;
}

std::string RealConfigDirectory() {
  // A relative $XDG_CONFIG_HOME is to be ignored, as the base-directory rules say.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome && configHome[0] == '/') return std::string(configHome) + "/korval";
  std::string home;
  if (const char* value = std::getenv("HOME"); value && value[0] != '\0') {
    home = value;
  } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
    home = entry->pw_dir;
  }
  if (home.empty()) return {};
  if (home.size() > 1 && home.back() == '/') home.pop_back();
  return (home == "/" ? std::string() : home) + "/.config/korval";
}

std::string JoinDirectory(std::string directory, std::string_view name) {
  if (directory.empty() || directory.back() != '/') directory += '/';
  directory += name;
  return directory;
}

}  // namespace

ProgramFilePaths& ProgramFiles() {
  static ProgramFilePaths paths;
  return paths;
}

SearchLocations CurrentSearchLocations() {
  {
    std::lock_guard<std::mutex> lock(locationsMutex);
    if (installedLocations) return *installedLocations;
  }
  return SearchLocations{RealWorkingDirectory(), RealProgramPath(), RealConfigDirectory()};
}

void SetSearchLocations(std::optional<SearchLocations> locations) {
  std::lock_guard<std::mutex> lock(locationsMutex);
  installedLocations = std::move(locations);
}

std::string ConfigDirectory() { return CurrentSearchLocations().ConfigDirectory; }

void EnsureDirectoryFor(const std::string& path) {
  std::string directory = ConfigDirectory();
  std::size_t slash = path.rfind('/');
  if (directory.empty() || slash == std::string::npos || path.substr(0, slash) != directory) return;
  struct stat status {};
  if (::stat(directory.c_str(), &status) == 0) return;
  // Like mkdir -p: ~/.config itself may be missing on a fresh account.
  for (std::size_t next = directory.find('/', 1); ; next = directory.find('/', next + 1)) {
    std::string prefix = directory.substr(0, next);
    if (::stat(prefix.c_str(), &status) != 0) ::mkdir(prefix.c_str(), 0700);
    if (next == std::string::npos) break;
  }
}

std::string LocateProgramFile(std::string_view name) {
  SearchLocations locations = CurrentSearchLocations();
  if (!locations.WorkingDirectory.empty()) {
    std::string candidate = JoinDirectory(locations.WorkingDirectory, name);
    if (FileExists(candidate)) return candidate;
  }
  if (!locations.ProgramPath.empty()) {
    std::size_t slash = locations.ProgramPath.rfind('/');
    std::string candidate = slash == std::string::npos
                                ? std::string(name)
                                : locations.ProgramPath.substr(0, slash + 1) + std::string(name);
    if (FileExists(candidate)) return candidate;
  }
  if (locations.ConfigDirectory.empty()) return std::string(name);
  return JoinDirectory(locations.ConfigDirectory, name);
}

std::string PathFromWorkingDirectory(std::string_view path) {
  std::string directory = CurrentSearchLocations().WorkingDirectory;
  if (path.empty() || path.front() == '/' || directory.empty()) return std::string(path);
  return JoinDirectory(std::move(directory), path);
}

std::optional<std::string> LocateProgramFiles(std::string_view commandLine) {
  ProgramFilePaths& paths = ProgramFiles();
  paths.ConfigPath = LocateProgramFile("KORVAL.INI");
  paths.HelpPath = LocateProgramFile("KORVAL.HLP");
  paths.ExtensionsPath = LocateProgramFile("KORVAL.EXT");
  paths.ConversionsPath = LocateProgramFile("KORVAL.CNV");
  return ParseCommandOptions(commandLine);
}

}  // namespace korval::config
