// The command engine holding a real FTP dialogue with vsftpd and pyftpdlib:
// greeting, USER and PASS (the password never logged), a multi-line HELP
// reply read as one reply, and QUIT.

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/command_engine.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_host.h"

namespace korval::engine {
namespace {

class CommandEngineDialogueTest : public testing::RealServerTest {};

TEST_P(CommandEngineDialogueTest, GreetingLogonHelpAndQuit) {
  testing::EngineState state;
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  Session& session = TheSession();

  int socket = ConnectToHost(Server().Host(), Server().Port(), "tcp");
  ASSERT_GE(socket, 0);
  EXPECT_EQ(ReadReply(socket), 2);
  EXPECT_EQ(session.LastReplyCode, 220);
  EXPECT_EQ(SendCommand(socket, "USER %s", Server().User().c_str()), 3);
  EXPECT_EQ(SendCommand(socket, "PASS %s", Server().Password().c_str()), 2);
  EXPECT_EQ(session.LastReplyCode, 230);

  std::size_t linesBeforeHelp = host.LogWindowLines().size();
  EXPECT_EQ(SendCommand(socket, "HELP"), 2);
  EXPECT_EQ(session.LastReplyCode, 214);
  std::vector<std::string> lines = host.LogWindowLines();
  std::vector<std::string> help(lines.begin() + static_cast<long>(linesBeforeHelp), lines.end());
  ASSERT_GE(help.size(), 4u);  // the command, "214-", text lines, "214 "
  EXPECT_EQ(help[0], "HELP");
  EXPECT_EQ(help[1].substr(0, 4), "214-");
  EXPECT_EQ(help.back().substr(0, 4), "214 ");
  EXPECT_EQ(session.ReplyLine, help.back());
  EXPECT_FALSE(HasPendingInput());

  EXPECT_EQ(SendCommand(socket, "QUIT"), 2);
  EXPECT_EQ(session.LastReplyCode, 221);
  ::close(socket);

  bool hidden = false;
  for (const std::string& line : host.LogWindowLines()) {
    EXPECT_EQ(line.find(Server().Password()), std::string::npos) << line;
    hidden = hidden || line == "PASS (hidden)";
  }
  EXPECT_TRUE(hidden);
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(CommandEngineDialogueTest);

}  // namespace
}  // namespace korval::engine
