#include "platform/proc.h"

#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

extern char** environ;

namespace korval::platform {

namespace {

std::mutex launcherMutex;
ProgramLauncher installedLauncher;

std::mutex startedMutex;
std::vector<pid_t> startedPrograms;  // started without waiting, not yet collected

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int ExitStatusOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

int WaitForChild(pid_t pid) {
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, 0) == pid) return ExitStatusOf(status);
    if (errno != EINTR) return -1;
  }
}

// The real start: posix_spawnp with the argument vector as it stands. The
// child gets the default signal dispositions and mask, and none of our
// descriptors beyond the standard three (no sockets leak into a viewer).
int SpawnProgram(const std::vector<std::string>& arguments, ProgramWait wait) {
  if (arguments.empty() || arguments.front().empty()) return -1;
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif

  ReapStartedPrograms();
  pid_t pid = -1;
  const int failed = ::posix_spawnp(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (failed != 0) return -1;

  if (wait == ProgramWait::UntilExit) return WaitForChild(pid);
  std::lock_guard lock(startedMutex);
  startedPrograms.push_back(pid);
  return 0;
}

}  // namespace

std::vector<std::string> SplitCommandWords(std::string_view commandTemplate) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (char c : commandTemplate) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (IsBlank(c) && !quoted) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> ProgramArguments(std::string_view commandTemplate, std::string_view file) {
  std::vector<std::string> words = SplitCommandWords(commandTemplate);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::size_t caret = words[i].find('^');
    if (caret == std::string::npos) continue;
    // Everything from the first "^" on is the file's place: the rest of that
    // word and any later words go. A template that puts the file first would
    // run the file itself, which is never done.
    if (i == 0) return {};
    words[i].replace(caret, std::string::npos, file);
    words.resize(i + 1);
    return words;
  }
  if (!words.empty()) words.emplace_back(file);
  return words;
}

int StartProgram(const std::vector<std::string>& arguments, ProgramWait wait) {
  ProgramLauncher launcher;
  {
    std::lock_guard lock(launcherMutex);
    launcher = installedLauncher;
  }
  if (launcher) return launcher(arguments, wait);
  return SpawnProgram(arguments, wait);
}

void SetProgramLauncher(ProgramLauncher launcher) {
  std::lock_guard lock(launcherMutex);
  installedLauncher = std::move(launcher);
}

void ReapStartedPrograms(bool wait) {
  std::lock_guard lock(startedMutex);
  std::erase_if(startedPrograms, [wait](pid_t pid) {
    int status = 0;
    pid_t result = ::waitpid(pid, &status, wait ? 0 : WNOHANG);
    // Collected, or not our child any more (someone else reaped it).
    return result == pid || (result == -1 && errno == ECHILD);
  });
}

}  // namespace korval::platform
