#pragma once
// Starting other programs: the text viewer, a file's associated program and
// the editor of an edit job. A program is always started with an argument
// vector (posix_spawn, the program looked up on PATH), never through a shell,
// so no file name is ever read as shell syntax: a name such as
// "a;touch x;.txt" or "$(id).txt" reaches the program as that one argument.
//
// A command template (VIEWER, an association's value) is split into words;
// the file takes the place of the "^" part (the text from the first "^" on) or,
// without "^", comes last, always as one whole argument:
//   "less"              + "a b.txt" -> {"less", "a b.txt"}
//   "gedit ^.txt"       + "a.txt"   -> {"gedit", "a.txt"}
//   "prog --file=^ -q"  + "x"       -> {"prog", "--file=x"}
//   "\"my viewer\" -r"  + "x"       -> {"my viewer", "-r", "x"}
//   "^.exe"             + "x"       -> {} (the file itself would run: never)
//
// Tests replace the launcher to observe what would start, or let the real
// one run a small program that records its arguments.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korval::platform {

// The program that opens a file the way the desktop does.
inline constexpr std::string_view OpenProgram = "xdg-open";

// The words of a command template: blanks and tabs separate words, double
// quotes group blanks into a word (the quotes themselves are dropped).
std::vector<std::string> SplitCommandWords(std::string_view commandTemplate);

// The argument vector for `commandTemplate` with `file` in its place. An
// empty vector when there is nothing to start (an empty template, or "^" in
// the program's own word).
std::vector<std::string> ProgramArguments(std::string_view commandTemplate, std::string_view file);

enum class ProgramWait { NoWait, UntilExit };

// Starts arguments[0] (looked up on PATH) with the arguments. NoWait: 0 when
// it started; UntilExit: its exit status (128 + signal when a signal ended
// it). -1 when it could not be started (also for an empty vector).
int StartProgram(const std::vector<std::string>& arguments, ProgramWait wait);

// Replaces the process start (tests); an empty launcher restores posix_spawn.
using ProgramLauncher = std::function<int(const std::vector<std::string>& arguments, ProgramWait wait)>;
void SetProgramLauncher(ProgramLauncher launcher);

// Collects programs started without waiting that have ended (each start does
// it too, so none stays a zombie for long). With `wait` true it waits for all.
void ReapStartedPrograms(bool wait = false);

}  // namespace korval::platform
