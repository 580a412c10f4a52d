// The console host without a terminal: prompts cancel at once, messages and
// (on request) log lines go to stderr, progress stays silent.

#include "platform/console_host.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace korval::platform {
namespace {

// Runs `body` in a child detached from any terminal, with stderr into a pipe;
// returns the child's exit status and what it wrote to stderr.
template <typename Body>
std::pair<int, std::string> RunWithoutTerminal(Body body) {
  int pipeFds[2];
  EXPECT_EQ(::pipe(pipeFds), 0);
  pid_t child = ::fork();
  if (child == 0) {
    ::setsid();  // no controlling terminal from here on
    ::dup2(pipeFds[1], STDERR_FILENO);
    ::close(pipeFds[0]);
    ::_exit(body());
  }
  ::close(pipeFds[1]);
  std::string output;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(ConsoleHostTest, PromptsAreCancelledWithoutATerminal) {
  auto [status, output] = RunWithoutTerminal([] {
    ConsoleHost host;
    bool textCancelled = !host.AskText("Enter your e-mail address:", "", 127).has_value();
    bool passwordCancelled = !host.AskPassword("Password:", 79).has_value();
    return textCancelled && passwordCancelled ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output, "");
}

TEST(ConsoleHostTest, MessagesGoToStderrAndProgressStaysQuiet) {
  auto [status, output] = RunWithoutTerminal([] {
    ConsoleHost host;
    host.OpenStatusDisplay(2, "150 Opening BINARY mode data connection", StatusDisplayTarget::MainWindowField, 8192);
    host.SetProgressText("4096 : 10.00 Kbps", 4096, 8192);
    host.TransferProgressed(4096, 8192, 100);
    host.CloseStatusDisplay();
    host.ShowMessage("\nTransfer failed for /pub/x from example", "korval");
    return 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output, "korval: Transfer failed for /pub/x from example\n");
}

TEST(ConsoleHostTest, LogLinesGoToStderrOnlyWhenAsked) {
  auto [status, output] = RunWithoutTerminal([] {
    ConsoleHost host;
    host.AppendToLogWindow("USER anna");
    host.SetLogEcho(true);
    host.AppendToLogWindow("PASS (hidden)");
    host.AppendToLogWindow("230 Logged in.");
    return 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output, "PASS (hidden)\n230 Logged in.\n");
}

}  // namespace
}  // namespace korval::platform
