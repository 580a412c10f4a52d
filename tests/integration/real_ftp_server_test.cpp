// The real-server fixtures checked with a plain POSIX client: each server
// starts, greets, logs the fixture's user on, lists and serves files from
// its root, takes uploads into it, and is gone (process and directory) after.

#include "tests/support/real_ftp_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>

#include "tests/support/plain_ftp_client.h"

namespace korval::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class RealFtpServerTest : public RealServerTest {
 protected:
  void LogOn(PlainFtpClient& client) {
    ASSERT_TRUE(client.Connect(Server().Host(), Server().Port()));
    EXPECT_EQ(client.ReadReply().code, 220);
    ASSERT_EQ(client.Command("USER " + Server().User()).code, 331);
    ASSERT_EQ(client.Command("PASS " + Server().Password()).code, 230);
  }
};

TEST_P(RealFtpServerTest, LogsOnAndListsAFileOfTheRootOverPassive) {
  ASSERT_TRUE(Server().WriteFile("hello.txt", "hello\n"));
  EXPECT_EQ(Server().Host(), "127.0.0.1");
  EXPECT_THAT(Server().Greeting(), StartsWith("220"));

  PlainFtpClient client;
  LogOn(client);
  EXPECT_EQ(client.Command("PWD").text.substr(0, 8), "257 \"/\" ");  // chrooted on both servers
  UniqueFd data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  const int listCode = client.Command("LIST").code;
  EXPECT_TRUE(listCode == 150 || listCode == 125) << listCode;
  const std::string listing = ReadUntilClosed(data.Get());
  data.Reset();
  EXPECT_THAT(listing, HasSubstr("hello.txt\r\n"));
  EXPECT_THAT(listing, HasSubstr(" 6 "));  // the size
  EXPECT_EQ(client.ReadReply().code, 226);
  EXPECT_EQ(client.Command("QUIT").code, 221);
}

TEST_P(RealFtpServerTest, RefusesAWrongPassword) {
  PlainFtpClient client;
  ASSERT_TRUE(client.Connect(Server().Host(), Server().Port()));
  EXPECT_EQ(client.ReadReply().code, 220);
  EXPECT_EQ(client.Command("USER " + Server().User()).code, 331);
  EXPECT_EQ(client.Command("PASS wrong-password").code, 530);
}

TEST_P(RealFtpServerTest, SendsAndTakesBinaryFilesUnchangedOverPassiveAndPort) {
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 7 % 256);
  bytes += "\r\n\n\r";
  ASSERT_TRUE(Server().WriteFile("sub/data.bin", bytes));

  PlainFtpClient client;
  LogOn(client);
  EXPECT_EQ(client.Command("TYPE I").code, 200);
  EXPECT_EQ(client.Command("CWD sub").code, 250);

  UniqueFd listener = client.OpenActive();  // PORT: the server connects to us
  ASSERT_TRUE(listener.Valid());
  const int retrCode = client.Command("RETR data.bin").code;  // pyftpdlib connects first, then says 125
  EXPECT_TRUE(retrCode == 150 || retrCode == 125) << retrCode;
  UniqueFd data = AcceptTcp(listener.Get());
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(ReadUntilClosed(data.Get()), bytes);
  data.Reset();
  EXPECT_EQ(client.ReadReply().code, 226);

  data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  const int storCode = client.Command("STOR copy.bin").code;
  EXPECT_TRUE(storCode == 150 || storCode == 125) << storCode;
  ASSERT_TRUE(SendAllBytes(data.Get(), bytes));
  data.Reset();
  EXPECT_EQ(client.ReadReply().code, 226);
  EXPECT_EQ(Server().ReadFile("sub/copy.bin"), bytes);
  EXPECT_EQ(client.Command("DELE copy.bin").code, 250);  // the served user owns the directory
  EXPECT_FALSE(std::filesystem::exists(Server().PathOf("sub/copy.bin")));
}

TEST_P(RealFtpServerTest, PassivePortsLieInTheServersRange) {
  PlainFtpClient client;
  LogOn(client);
  for (int i = 0; i < 3; ++i) {
    const PlainReply reply = client.Command("PASV");
    ASSERT_EQ(reply.code, 227) << reply.text;
    const std::optional<PassiveAddress> target = ParsePassiveReply(reply.text);
    ASSERT_TRUE(target) << reply.text;
    EXPECT_EQ(target->address, "127.0.0.1");
    EXPECT_GE(target->port, Server().PassivePortMin());
    EXPECT_LE(target->port, Server().PassivePortMax());
  }
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(RealFtpServerTest);

// Outside the parameterised fixture: several servers at once, and nothing
// left behind by one that is gone.
TEST(RealFtpServerLifetimeTest, SeveralServersRunAtOnceAndLeaveNothingBehind) {
  std::filesystem::path roots[4];
  pid_t pids[4];
  {
    RealFtpServer servers[4] = {RealFtpServer(ServerKind::Vsftpd), RealFtpServer(ServerKind::Vsftpd),
                                RealFtpServer(ServerKind::Pyftpdlib), RealFtpServer(ServerKind::Pyftpdlib)};
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(servers[i].Start()) << servers[i].Error();
      roots[i] = servers[i].Root();
    }
    for (int i = 0; i < 4; ++i) {
      for (int j = i + 1; j < 4; ++j) {
        EXPECT_NE(servers[i].Port(), servers[j].Port());
        EXPECT_TRUE(servers[i].PassivePortMax() < servers[j].PassivePortMin() ||
                    servers[j].PassivePortMax() < servers[i].PassivePortMin());
      }
      PlainFtpClient client;
      ASSERT_TRUE(client.Connect(servers[i].Host(), servers[i].Port()))
          << ServerKindName(servers[i].Kind()) << " on port " << servers[i].Port() << ":\n"
          << servers[i].ServerLog();
      EXPECT_EQ(client.ReadReply().code, 220);
      EXPECT_TRUE(client.Logon(servers[i].User(), servers[i].Password()));
      pids[i] = servers[i].ProcessId();
    }
    // The client connections above end with open sessions: the fixture must
    // still stop every server process.
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(std::filesystem::exists(roots[i])) << roots[i];
    EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pids[i]))) << "process " << pids[i];
  }
}

TEST(RealFtpServerLifetimeTest, StoppingEndsTheServerAndItsSessions) {
  RealFtpServer server(ServerKind::Vsftpd);
  ASSERT_TRUE(server.Start()) << server.Error();
  const pid_t pid = server.ProcessId();
  PlainFtpClient client;
  ASSERT_TRUE(client.Connect(server.Host(), server.Port()));
  EXPECT_EQ(client.ReadReply().code, 220);
  EXPECT_EQ(client.Command("USER " + server.User()).code, 331);
  const PlainReply logon = client.Command("PASS " + server.Password());
  EXPECT_EQ(logon.code, 230) << logon.text << server.ServerLog();
  server.Stop();
  EXPECT_FALSE(server.Running());
  EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid)));  // reaped
  EXPECT_TRUE(WaitForPeerClose(client.ControlFd()));  // the session process died with the server
}

}  // namespace
}  // namespace korval::testing
