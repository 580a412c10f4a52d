// Data connections against the scripted server: the 227 replies a server may
// send, the PORT announcement, the order of a listing transfer in both modes,
// the fall-back from passive to active, the accept time-out, and data
// connections that would lead to (or come from) a third host, 127.0.0.3.

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "connection_test_support.h"
#include "engine/data_connection.h"
#include "engine/ftp_commands.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using namespace std::chrono_literals;
using testing::ConnectionStateGuard;
using testing::Logged;
using testing::LoggedContaining;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAre;
using ::testing::StartsWith;

// A listening socket of the test's own on `address` (port 0: any free one).
class TestListener {
 public:
  explicit TestListener(const char* address, std::uint16_t port = 0) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &local.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(fd_, 4) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
  }
  ~TestListener() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Valid() const { return fd_ >= 0; }
  std::uint16_t Port() const { return port_; }
  // Whether a connection waits to be accepted (does not accept it).
  bool HasPendingConnection() const {
    pollfd descriptor{fd_, POLLIN, 0};
    return ::poll(&descriptor, 1, 0) == 1;
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// A connection to 127.0.0.1:`port` whose own end is `source`.
int ConnectFrom(const char* source, std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, source, &local.sin_addr);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval limit{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

class DataConnectionTest : public ::testing::Test {
 protected:
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;
  testing::TemporaryDirectory directory;
  int socket = -1;

  ~DataConnectionTest() override {
    if (socket != -1) ::close(socket);
  }

  void LogOnWith(const std::function<void(ScriptedFtpServer&)>& steps, bool passive) {
    // A server without FEAT: passive mode is PASV, active mode PORT.
    server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
    server.Expect("FEAT").Reply("500 'FEAT': command not understood.");
    steps(server);
    server.Start();
    config::SessionProfile& profile = config::CurrentProfile();
    profile = testing::ProfileFor(server);
    profile.Passive = passive ? 1 : 0;
    socket = Logon(profile);
    ASSERT_NE(socket, -1);
    engine::SetListingFile(directory.FilePath("DIR0001.TMP").string());
  }

  // The commands after USER and FEAT.
  std::vector<std::string> CommandsAfterLogon() {
    std::vector<std::string> commands = server.Transcript();
    commands.erase(commands.begin(), commands.begin() + std::min<std::size_t>(2, commands.size()));
    return commands;
  }
};

struct PassiveReplyCase {
  const char* name;
  std::string replyText;  // "{hostport}" is the scripted listener's six numbers
  bool connects;
  std::string message;  // a line that must be logged when it does not
};

void PrintTo(const PassiveReplyCase& c, std::ostream* out) { *out << c.name; }

class PassiveReplyTest : public DataConnectionTest, public ::testing::WithParamInterface<PassiveReplyCase> {};

TEST_P(PassiveReplyTest, ConnectsOnlyToAUsableAddress) {
  const PassiveReplyCase& c = GetParam();
  LogOnWith([&c](ScriptedFtpServer& s) { s.Expect("PASV").Passive({.replyText = c.replyText}); }, true);

  int dataSocket = OpenPassiveData(socket);

  EXPECT_TRUE(server.Verify());
  if (c.connects) {
    EXPECT_NE(dataSocket, -1);
    EXPECT_TRUE(LoggedContaining(host, "connecting to 127.0.0.1:"));
    EXPECT_TRUE(LoggedContaining(host, "[" + std::to_string(dataSocket) + "] connect to 127.0.0.1 port "));
  } else {
    EXPECT_EQ(dataSocket, -1);
    EXPECT_TRUE(LoggedContaining(host, c.message)) << c.message;
    EXPECT_FALSE(LoggedContaining(host, "connecting to 127.0.0.1:"));
    for (const std::string& line : host.LogWindowLines())
      if (line.rfind("bad address in ", 0) == 0) {
        EXPECT_LE(line.size(), LogLineCapacity);
      }
  }
  if (dataSocket != -1) ::close(dataSocket);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PassiveReplyTest,
    ::testing::Values(
        PassiveReplyCase{"Parenthesised", "227 Entering Passive Mode ({hostport})", true, ""},
        PassiveReplyCase{"WithoutParentheses", "227 Entering Passive Mode {hostport}", true, ""},
        PassiveReplyCase{"RightBehindTheCode", "227 ={hostport}", true, ""},
        PassiveReplyCase{"FiveNumbers", "227 Entering Passive Mode (10,1,2,3,4)", false,
                         "bad address in 10,1,2,3,4"},
        PassiveReplyCase{"NoDigits", "227 Entering Passive Mode", false,
                         "unable to parse info 227 Entering Passive Mode"},
        PassiveReplyCase{"PortByteAboveRange", "227 Entering Passive Mode (127,0,0,1,256,80)", false,
                         "bad address in 127,0,0,1,256,80"},
        PassiveReplyCase{"TwoThousandCharacters", "227 Entering Passive Mode (" + std::string(2000, '7') + ")",
                         false, "bad address in 7777777777"},
        PassiveReplyCase{"TwoThousandCommas", "227 Entering Passive Mode (1" + std::string(2000, ',') + ")", false,
                         "bad address in 1,,,,"}),
    [](const ::testing::TestParamInfo<PassiveReplyCase>& info) { return std::string(info.param.name); });

// The reply names an address that is not the server's: the client connects
// to the server's address with the reply's port, and says so once.
struct ForeignAddressCase {
  const char* name;
  const char* replyAddress;
};

void PrintTo(const ForeignAddressCase& c, std::ostream* out) { *out << c.name; }

class PassiveForeignAddressTest : public DataConnectionTest,
                                  public ::testing::WithParamInterface<ForeignAddressCase> {};

TEST_P(PassiveForeignAddressTest, ConnectsToTheServerWithTheRepliesPort) {
  TestListener atServer("127.0.0.1");
  ASSERT_TRUE(atServer.Valid());
  TestListener thirdHost("127.0.0.3", atServer.Port());  // the same port on the third host
  ASSERT_TRUE(thirdHost.Valid());
  const std::string reply = std::string("227 Entering Passive Mode (") + GetParam().replyAddress + "," +
                            std::to_string(atServer.Port() >> 8) + "," + std::to_string(atServer.Port() & 0xff) + ")";
  LogOnWith([&reply](ScriptedFtpServer& s) { s.Expect("PASV").Reply(reply); }, true);

  int dataSocket = OpenPassiveData(socket);

  ASSERT_NE(dataSocket, -1);
  EXPECT_TRUE(atServer.HasPendingConnection());
  EXPECT_FALSE(thirdHost.HasPendingConnection());
  int replaced = 0;
  for (const std::string& line : host.LogWindowLines())
    if (line.rfind("[x] PASV address ", 0) == 0) ++replaced;
  EXPECT_EQ(replaced, 1);
  std::string dotted(GetParam().replyAddress);
  for (char& ch : dotted)
    if (ch == ',') ch = '.';
  EXPECT_TRUE(Logged(host, "[x] PASV address " + dotted + " replaced by the server's address 127.0.0.1"));
  EXPECT_TRUE(Logged(host, "connecting to 127.0.0.1:" + std::to_string(atServer.Port())));
  ::close(dataSocket);
}

INSTANTIATE_TEST_SUITE_P(Addresses, PassiveForeignAddressTest,
                         ::testing::Values(ForeignAddressCase{"ThirdHost", "127,0,0,3"},
                                           ForeignAddressCase{"PrivateNetwork", "10,1,2,3"},
                                           ForeignAddressCase{"NumbersAboveByte", "300,1,2,999"}),
                         [](const ::testing::TestParamInfo<ForeignAddressCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(DataConnectionTest, PassiveListingMovesTheDataInOrder) {
  LogOnWith(
      [](ScriptedFtpServer& s) {
        s.Expect("PASV").Passive();
        s.Expect("LIST").Transfer("-rw-r--r--   1 u g   5 Jan  1 10:00 a.txt\r\n");
      },
      true);

  EXPECT_EQ(DoDirList(socket, "LIST"), 2);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("PASV", "LIST"));
  EXPECT_EQ(directory.ReadFile("DIR0001.TMP"), "-rw-r--r--   1 u g   5 Jan  1 10:00 a.txt\n");
  EXPECT_EQ(TheSession().DataSocket, -1);
  EXPECT_FALSE(LoggedContaining(host, "looking for completion line"));
}

TEST_F(DataConnectionTest, ActiveListingAnnouncesTheListenerAndAcceptsTheServer) {
  LogOnWith(
      [](ScriptedFtpServer& s) {
        s.ExpectPrefix("PORT 127,0,0,1,").AcceptPort();
        s.Expect("LIST").Transfer("b.txt\r\n");
      },
      false);

  EXPECT_EQ(DoDirList(socket, "LIST"), 2);

  EXPECT_TRUE(server.Verify());
  std::vector<std::string> commands = CommandsAfterLogon();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_THAT(commands[0], StartsWith("PORT 127,0,0,1,"));
  EXPECT_EQ(commands[1], "LIST");
  EXPECT_EQ(directory.ReadFile("DIR0001.TMP"), "b.txt\n");
  const unsigned listenerPort = TheSession().LocalAddress.Port();
  EXPECT_EQ(commands[0], "PORT 127,0,0,1," + std::to_string(listenerPort >> 8) + "," +
                             std::to_string(listenerPort & 0xff));
  EXPECT_TRUE(LoggedContaining(host, "] listener 0.0.0.0 port " + std::to_string(listenerPort)));
  EXPECT_TRUE(LoggedContaining(host, "] accept from 127.0.0.1 port "));
  EXPECT_TRUE(Logged(host, "[" + std::to_string(socket) + "] looking for completion line"));
  EXPECT_EQ(TheSession().ListenSocket, -1);
  EXPECT_EQ(TheSession().DataSocket, -1);
}

struct FallbackCase {
  const char* name;
  testing::PassiveOptions passive;
  const char* message;
};

void PrintTo(const FallbackCase& c, std::ostream* out) { *out << c.name; }

class PassiveFallbackTest : public DataConnectionTest, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(PassiveFallbackTest, TransferGoesOnInActiveMode) {
  LogOnWith(
      [](ScriptedFtpServer& s) {
        s.Expect("PASV").Passive(GetParam().passive);
        s.ExpectPrefix("PORT 127,0,0,1,").AcceptPort();
        s.Expect("LIST").Transfer("c.txt\r\n");
      },
      true);

  EXPECT_EQ(DoDirList(socket, "LIST"), 2);

  EXPECT_TRUE(server.Verify());
  std::vector<std::string> commands = CommandsAfterLogon();
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], "PASV");
  EXPECT_THAT(commands[1], StartsWith("PORT "));
  EXPECT_EQ(commands[2], "LIST");
  EXPECT_EQ(directory.ReadFile("DIR0001.TMP"), "c.txt\n");
  EXPECT_TRUE(LoggedContaining(host, GetParam().message)) << GetParam().message;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, PassiveFallbackTest,
    ::testing::Values(FallbackCase{"FiveNumbers", {.replyText = "227 Entering Passive Mode (10,1,2,3,4)"},
                                   "bad address in 10,1,2,3,4"},
                      FallbackCase{"NothingListens", {.port = testing::PassivePort::Refusing},
                                   "connect: connection refused"},
                      FallbackCase{"Refused", {.replyText = "502 No passive mode here"}, "502 No passive mode here"}),
    [](const ::testing::TestParamInfo<FallbackCase>& info) { return std::string(info.param.name); });

TEST_F(DataConnectionTest, RefusedPortClosesTheListenerAndTransfersNothing) {
  LogOnWith([](ScriptedFtpServer& s) { s.ExpectPrefix("PORT ").Reply("500 PORT not understood"); }, false);

  EXPECT_EQ(DoDirList(socket, "LIST"), 0);

  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(CommandsAfterLogon().size(), 1u);
  EXPECT_TRUE(LoggedContaining(host, "] port cmd failed."));
  EXPECT_EQ(TheSession().ListenSocket, -1);
  EXPECT_TRUE(server.DataTransfers().empty());
}

TEST_F(DataConnectionTest, ServerThatNeverConnectsIsStoppedByTheTimer) {
  LogOnWith(
      [](ScriptedFtpServer& s) {
        s.ExpectPrefix("PORT 127,0,0,1,").AcceptPort();
        s.Expect("LIST").Transfer("never", {.neverConnect = true});
      },
      false);
  config::CurrentProfile().Timeout = 65;  // 13 ticks
  const auto started = std::chrono::steady_clock::now();

  EXPECT_EQ(DoDirList(socket, "LIST"), 0);

  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 13 * 20ms);
  EXPECT_LT(waited, 3s);
  EXPECT_TRUE(Logged(host, "Timer cancelled blocking call"));
  EXPECT_TRUE(Logged(host, "accept: Blocking call cancelled"));
  EXPECT_EQ(TheSession().ListenSocket, -1);
}

// The listener takes the data connection from the server's address only:
// a connection from the third host is closed at once and the wait goes on.
TEST_F(DataConnectionTest, ListenerTurnsAwayAThirdHost) {
  LogOnWith([](ScriptedFtpServer& s) { s.ExpectPrefix("PORT 127,0,0,1,").AcceptPort(); }, false);
  config::CurrentProfile().Timeout = 300;  // 60 ticks: ample time for both peers
  int listenSocket = OpenListener(socket);
  ASSERT_NE(listenSocket, -1);
  const auto port = static_cast<std::uint16_t>(TheSession().LocalAddress.Port());

  bool intruderClosed = false;
  std::thread peers([&] {
    int intruder = ConnectFrom("127.0.0.3", port);
    if (intruder < 0) return;
    char byte;
    intruderClosed = ::recv(intruder, &byte, 1, 0) == 0;  // the client hung up on it
    ::close(intruder);
    int server = ConnectFrom("127.0.0.1", port);
    if (server < 0) return;
    (void)!::send(server, "hello", 5, 0);
    ::close(server);
  });
  int dataSocket = AcceptData(listenSocket);
  peers.join();

  ASSERT_NE(dataSocket, -1);
  EXPECT_TRUE(intruderClosed);
  char received[16] = {};
  EXPECT_EQ(::recv(dataSocket, received, sizeof received, MSG_WAITALL), 5);
  EXPECT_STREQ(received, "hello");
  EXPECT_TRUE(LoggedContaining(host, "[x] data connection from 127.0.0.3 port "));
  EXPECT_TRUE(LoggedContaining(host, " refused: not the server's address 127.0.0.1"));
  EXPECT_TRUE(LoggedContaining(host, "] accept from 127.0.0.1 port "));
  EXPECT_EQ(TheSession().DataPeerAddress.HostText(), "127.0.0.1");
  ::close(dataSocket);
}

TEST_F(DataConnectionTest, OnlyAThirdHostConnectingEndsAtTheTimeOut) {
  LogOnWith([](ScriptedFtpServer& s) { s.ExpectPrefix("PORT 127,0,0,1,").AcceptPort(); }, false);
  config::CurrentProfile().Timeout = 10;  // two ticks
  int listenSocket = OpenListener(socket);
  ASSERT_NE(listenSocket, -1);
  const auto port = static_cast<std::uint16_t>(TheSession().LocalAddress.Port());
  int intruder = ConnectFrom("127.0.0.3", port);
  ASSERT_NE(intruder, -1);

  EXPECT_EQ(AcceptData(listenSocket), -1);

  EXPECT_TRUE(LoggedContaining(host, "[x] data connection from 127.0.0.3 port "));
  EXPECT_TRUE(Logged(host, "Timer cancelled blocking call"));
  EXPECT_TRUE(Logged(host, "accept: Blocking call cancelled"));
  ::close(intruder);
}

}  // namespace
}  // namespace korval::engine
