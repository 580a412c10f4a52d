#pragma once
// The program settings of section "_config_" in KORVAL.INI: one process-wide
// record, read at start-up and changed by the options dialogs.

namespace korval::config {

struct ProgramSettings {
  int Verbose = 0;  // VERBOSE: show the "["-tagged diagnostic lines
};

ProgramSettings& Settings();

// Set while a command-line transfer runs: every logged line is then also
// appended to "xferlog.txt" in the current directory.
bool& BatchMode();

}  // namespace korval::config
