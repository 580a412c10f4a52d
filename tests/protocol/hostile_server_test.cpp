// A server that closes while the client sends must not end the process, and a
// command too long for one line is never cut short.

#include <gtest/gtest.h>

#include <csignal>

#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/file_transfer.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using testing::DataOptions;
using testing::DataStop;
using testing::ScriptSteps;

// The default action of SIGPIPE (ending the process) is in force for these
// tests, as it is for a program that never changed it.
class DefaultSigpipe {
 public:
  DefaultSigpipe() : previous_(std::signal(SIGPIPE, SIG_DFL)) {}
  ~DefaultSigpipe() { std::signal(SIGPIPE, previous_); }

 private:
  void (*previous_)(int);
};

TEST(HostileServerTest, ClosingWhileTheClientSendsIsAnError) {
  DefaultSigpipe sigpipe;
  testing::EngineState state;
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  testing::TemporaryDirectory local;
  ASSERT_TRUE(local.WriteFile("big.bin", testing::PatternBytes(0, 8 * 1024 * 1024)));

  struct Case {
    const char* name;
    DataStop stop;
  } cases[] = {{"orderly close", DataStop::Close}, {"reset", DataStop::Reset}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScriptedFtpServer server;
    DataOptions early;
    early.stopAfterBytes = 64 * 1024;
    early.stop = c.stop;
    server.UseDefaultReplies().Answer(
        "STOR big.bin", ScriptSteps().Reply("150 Ok to send data.").ReceiveData(early).Reply("426 Failure writing."));
    server.Start();
    testing::LoggedOnSession session({server.Address(), server.Port(), "anna", "secret", true});
    ASSERT_TRUE(session.Ok());
    config::CurrentProfile().Timeout = 5;
    EXPECT_NE(SendFile(session.Socket(), "STOR big.bin", local.FilePath("big.bin").string(), 'I'), 2);
  }
  // The control connection of a server that has gone away fails the same way.
  testing::ScriptedFtpServer gone;
  gone.UseDefaultReplies().Answer("NOOP", ScriptSteps().CloseControl());
  gone.Start();
  testing::LoggedOnSession session({gone.Address(), gone.Port(), "anna", "secret", true});
  ASSERT_TRUE(session.Ok());
  SetReplyReadTimeoutMs(500);
  EXPECT_EQ(SendCommand(session.Socket(), "NOOP"), 4);
  // Further commands go to a socket whose peer is gone: errors, not a signal.
  for (int i = 0; i < 3; ++i) EXPECT_NE(SendCommand(session.Socket(), "NOOP"), 2);
}

TEST(HostileServerTest, OverlongCommandsAreRefusedWhole) {
  testing::EngineState state;
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  testing::ScriptedFtpServer server;
  server.UseDefaultReplies();
  server.Start();
  testing::LoggedOnSession session({server.Address(), server.Port(), "anna", "secret", true});
  ASSERT_TRUE(session.Ok());
  const std::string name(CommandCapacity, 'n');  // "DELE " + name is over the limit
  const struct {
    const char* verb;
  } verbs[] = {{"DELE"}, {"RNFR"}, {"RNTO"}, {"RETR"}};
  std::size_t before = server.Transcript().size();
  for (const auto& verb : verbs) {
    EXPECT_EQ(SendCommand(session.Socket(), "%s %s", verb.verb, name.c_str()), 0) << verb.verb;
    EXPECT_EQ(SendCommandText(session.Socket(), std::string(verb.verb) + " " + name), 0) << verb.verb;
  }
  EXPECT_EQ(server.Transcript().size(), before);
  EXPECT_EQ(SendCommand(session.Socket(), "NOOP"), 2);
}

}  // namespace
}  // namespace korval::engine
