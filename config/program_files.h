#pragma once
// Where korval finds KORVAL.INI and its companion files (KORVAL.HLP,
// KORVAL.EXT, KORVAL.CNV): the current directory, then the program's own
// directory, then the user's configuration directory, which is used without
// testing that the file exists there (a first run creates KORVAL.INI in it).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korval::config {

constexpr std::size_t ConfigPathCapacity = 255;

// The located paths. The "-i" option replaces ConfigPath; a relative name
// there is taken from the directory korval started in, since the window's
// local pane changes the process's directory later.
struct ProgramFilePaths {
  std::string ConfigPath;       // KORVAL.INI
  std::string HelpPath;         // KORVAL.HLP
  std::string ExtensionsPath;   // KORVAL.EXT
  std::string ConversionsPath;  // KORVAL.CNV
};
ProgramFilePaths& ProgramFiles();

// The three places of the search. Each is empty when it cannot be obtained.
struct SearchLocations {
  std::string WorkingDirectory;  // the current directory
  std::string ProgramPath;       // the running executable (/proc/self/exe)
  std::string ConfigDirectory;   // $XDG_CONFIG_HOME/korval, else ~/.config/korval
};
// The real locations, or the ones installed by SetSearchLocations.
SearchLocations CurrentSearchLocations();
// Tests install fixed locations; nullopt returns to the real ones.
void SetSearchLocations(std::optional<SearchLocations> locations);

// The user's configuration directory (also home of "win.ini", the file
// associations); empty when neither $XDG_CONFIG_HOME nor a home is known.
std::string ConfigDirectory();
// Creates the configuration directory (mode 0700) when `path` lies directly in
// it and it is missing, so that the first write of a setting succeeds.
void EnsureDirectoryFor(const std::string& path);

// The path of companion file `name` by the three-step search.
std::string LocateProgramFile(std::string_view name);

// `path` as it stands when absolute (or when the working directory is
// unknown), else below the working directory of the search.
std::string PathFromWorkingDirectory(std::string_view path);

// Start-up: locates the four files, then hands the command line to the option
// parser (which loads the global settings first) and returns what it returns:
// the rest of the command line after the options, or nullopt on an option error.
std::optional<std::string> LocateProgramFiles(std::string_view commandLine);

}  // namespace korval::config
