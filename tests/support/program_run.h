#pragma once
// Runs a program of the build as a separate process, the way a script would:
// its own working directory and environment, no terminal, stdin from
// /dev/null, and a time limit after which it is killed. On request its
// standard error is a pseudo-terminal instead of a pipe, as in a terminal
// window (still without a controlling terminal, so no prompt waits).

#include <chrono>
#include <string>
#include <vector>

namespace korval::testing {

struct ProgramResult {
  int exitCode = -1;  // -1 when it was killed or did not start
  bool timedOut = false;
  std::string out;
  std::string err;
};

struct ProgramRun {
  std::string program;                    // path of the executable
  std::vector<std::string> arguments;     // without the program name
  std::string workingDirectory;           // empty: the test's own
  std::vector<std::string> environment;   // "NAME=value" added to the test's
  std::chrono::milliseconds limit{60000};
  bool stderrOnTerminal = false;          // err then holds what the terminal received
};

ProgramResult RunProgram(const ProgramRun& run);

// The korval program of this build, and the source tree's file `path`.
std::string KorvalProgramPath();
std::string SourceFilePath(const std::string& path);

}  // namespace korval::testing
