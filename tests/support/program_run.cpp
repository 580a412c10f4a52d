#include "tests/support/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace korval::testing {

std::string KorvalProgramPath() { return std::string(KORVAL_BINARY_DIR) + "/app/korval"; }

std::string SourceFilePath(const std::string& path) { return std::string(KORVAL_SOURCE_DIR) + "/" + path; }

namespace {

// A pseudo-terminal pair; the reading end stays with the test.
struct Terminal {
  int master = -1;
  int replica = -1;
  bool Open() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return false;
    const char* name = ::ptsname(master);
    replica = name ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    return replica >= 0;
  }
  void Close() {
    if (master >= 0) ::close(master);
    if (replica >= 0) ::close(replica);
    master = replica = -1;
  }
};

}  // namespace

ProgramResult RunProgram(const ProgramRun& run) {
  ProgramResult result;
  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) return result;
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return result;
  }
  Terminal terminal;
  if (run.stderrOnTerminal) {
    if (!terminal.Open()) {
      terminal.Close();
      for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) ::close(fd);
      return result;
    }
    // Standard error is read from the terminal instead of its pipe.
    ::close(errPipe[0]);
    ::close(errPipe[1]);
    errPipe[0] = terminal.master;
    errPipe[1] = terminal.replica;
    terminal.master = terminal.replica = -1;
  }

  std::vector<std::string> environment;
  for (char** variable = environ; *variable; ++variable) environment.emplace_back(*variable);
  for (const std::string& added : run.environment) {
    std::string name = added.substr(0, added.find('=') + 1);
    std::erase_if(environment, [&](const std::string& e) { return e.compare(0, name.size(), name) == 0; });
    environment.push_back(added);
  }
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args{run.program};
  args.insert(args.end(), run.arguments.begin(), run.arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t child = ::fork();
  if (child == 0) {
    ::setsid();  // no controlling terminal: prompts must not wait
    int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(outPipe[1], STDOUT_FILENO);
    ::dup2(errPipe[1], STDERR_FILENO);
    if (!run.workingDirectory.empty() && ::chdir(run.workingDirectory.c_str()) != 0) ::_exit(127);
    ::execve(run.program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (child < 0) {
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    return result;
  }

  const auto deadline = std::chrono::steady_clock::now() + run.limit;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      ::kill(child, SIGKILL);
      break;
    }
    if (::poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      // A terminal's reading end reports EIO once the program has closed it.
      ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& fd : fds)
    if (fd.fd >= 0) ::close(fd.fd);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace korval::testing
