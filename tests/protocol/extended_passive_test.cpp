// EPSV against the scripted server: a server that lists EPSV in its FEAT
// reply gets EPSV first; the 229 reply's delimiters as RFC 2428 allows them,
// ports that are none, and servers that do not know EPSV after all (PASV from
// then on).

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "connection_test_support.h"
#include "engine/data_connection.h"
#include "engine/ftp_commands.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "engine/server_features.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using testing::ConnectionStateGuard;
using testing::Logged;
using testing::LoggedContaining;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr const char* Listing = "-rw-r--r--   1 u g   5 Jan  1 10:00 a.txt\r\n";

class ExtendedPassiveTest : public ::testing::Test {
 protected:
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;
  testing::TemporaryDirectory directory;
  int socket = -1;

  ~ExtendedPassiveTest() override {
    if (socket != -1) ::close(socket);
  }

  // Logs on to a server whose FEAT reply lists EPSV, in passive mode.
  void LogOnWith(const std::function<void(ScriptedFtpServer&)>& steps) {
    server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
    server.Expect("FEAT").Reply({"211-Features:", " EPSV", " SIZE", "211 End"});
    steps(server);
    server.Start();
    config::SessionProfile& profile = config::CurrentProfile();
    profile = testing::ProfileFor(server);
    profile.Passive = 1;
    socket = Logon(profile);
    ASSERT_NE(socket, -1);
    ASSERT_TRUE(ServerHasFeature(ServerFeature::Epsv));
    engine::SetListingFile(directory.FilePath("DIR0001.TMP").string());
  }

  std::vector<std::string> CommandsAfterLogon() {
    std::vector<std::string> commands = server.Transcript();
    commands.erase(commands.begin(), commands.begin() + std::min<std::size_t>(2, commands.size()));
    return commands;
  }
};

struct EpsvCase {
  const char* name;
  std::string replyText;  // "{port}": the scripted listener's port
  bool connects;          // else the listing goes on in active mode
  std::string message;    // logged when it does not connect
};

void PrintTo(const EpsvCase& c, std::ostream* out) { *out << c.name; }

class EpsvReplyTest : public ExtendedPassiveTest, public ::testing::WithParamInterface<EpsvCase> {};

TEST_P(EpsvReplyTest, ConnectsOnlyToAPortTheReplyNames) {
  const EpsvCase& c = GetParam();
  LogOnWith([&c](ScriptedFtpServer& s) {
    s.Expect("EPSV").Passive({.replyText = c.replyText});
    if (!c.connects) s.ExpectPrefix("PORT 127,0,0,1,").AcceptPort();
    s.Expect("LIST").Transfer(Listing);
  });

  EXPECT_EQ(DoDirList(socket, "LIST"), 2);

  EXPECT_TRUE(server.Verify());
  std::vector<std::string> commands = CommandsAfterLogon();
  ASSERT_EQ(commands.size(), c.connects ? 2u : 3u);
  EXPECT_EQ(commands.front(), "EPSV");
  if (!c.connects) {
    EXPECT_THAT(commands[1], StartsWith("PORT "));
  }
  EXPECT_EQ(commands.back(), "LIST");
  EXPECT_EQ(directory.ReadFile("DIR0001.TMP"), "-rw-r--r--   1 u g   5 Jan  1 10:00 a.txt\n");
  if (c.connects) {
    EXPECT_TRUE(LoggedContaining(host, "connecting to 127.0.0.1:"));
  } else {
    // The listener's port stands where the case has "{port}".
    const std::size_t port = c.message.find("{port}");
    if (port == std::string::npos) {
      EXPECT_TRUE(Logged(host, c.message)) << c.message;
    } else {
      EXPECT_TRUE(LoggedContaining(host, c.message.substr(0, port))) << c.message;
    }
  }
  EXPECT_FALSE(TheSession().EpsvRefused);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, EpsvReplyTest,
    ::testing::Values(
        EpsvCase{"Bars", "229 Entering Extended Passive Mode (|||{port}|)", true, ""},
        EpsvCase{"Exclamation", "229 Entering Extended Passive Mode (!!!{port}!)", true, ""},
        EpsvCase{"Hash", "229 Extended (###{port}#).", true, ""},
        EpsvCase{"Tilde", "229 (~~~{port}~)", true, ""},
        EpsvCase{"PortZero", "229 Entering Extended Passive Mode (|||0|)", false, "bad port 0 in |||0|: not a TCP port"},
        EpsvCase{"PortAboveRange", "229 Entering Extended Passive Mode (|||65536|)", false,
                 "bad port 65536 in |||65536|: not a TCP port"},
        EpsvCase{"PortFarAboveRange", "229 Entering Extended Passive Mode (|||4294967296123|)", false,
                 "bad port 99999999 in |||4294967296123|: not a TCP port"},
        EpsvCase{"MixedDelimiters", "229 Entering Extended Passive Mode (|!|{port}|)", false,
                 "bad EPSV reply |!|{port}|"},
        EpsvCase{"AddressGiven", "229 Entering Extended Passive Mode (|1|127.0.0.1|{port}|)", false,
                 "bad EPSV reply |1|127.0.0.1|{port}|"},
        EpsvCase{"DigitAsDelimiter", "229 Entering Extended Passive Mode (111{port}1)", false,
                 "bad EPSV reply 111{port}1"},
        EpsvCase{"NoPort", "229 Entering Extended Passive Mode (||||)", false, "bad EPSV reply ||||"},
        EpsvCase{"NoParentheses", "229 Entering Extended Passive Mode", false,
                 "unable to parse info 229 Entering Extended Passive Mode"}),
    [](const ::testing::TestParamInfo<EpsvCase>& info) { return std::string(info.param.name); });

// The messages name the reply as it came, the listener's port in it.
TEST_F(ExtendedPassiveTest, MessagesQuoteTheReplyWithItsPort) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("EPSV").Passive({.replyText = "229 Entering Extended Passive Mode (|!|{port}|)"});
    s.ExpectPrefix("PORT ").AcceptPort();
    s.Expect("LIST").Transfer(Listing);
  });
  EXPECT_EQ(DoDirList(socket, "LIST"), 2);
  EXPECT_TRUE(LoggedContaining(host, "bad EPSV reply |!|"));
  EXPECT_FALSE(LoggedContaining(host, "{port}"));
}

struct RefusalCase {
  const char* name;
  const char* refusal;
  bool remembered;  // PASV from then on; else active mode for this transfer only
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class EpsvRefusedTest : public ExtendedPassiveTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(EpsvRefusedTest, UnknownEpsvFallsBackToPasvForTheSession) {
  const RefusalCase& c = GetParam();
  LogOnWith([&c](ScriptedFtpServer& s) {
    s.Expect("EPSV").Reply(c.refusal);
    if (c.remembered) {
      s.Expect("PASV").Passive();
      s.Expect("LIST").Transfer(Listing);
      s.Expect("PASV").Passive();
      s.Expect("LIST").Transfer(Listing);
    } else {
      s.ExpectPrefix("PORT ").AcceptPort();
      s.Expect("LIST").Transfer(Listing);
      s.Expect("EPSV").Passive({.replyText = "229 Entering Extended Passive Mode (|||{port}|)"});
      s.Expect("LIST").Transfer(Listing);
    }
  });

  EXPECT_EQ(DoDirList(socket, "LIST"), 2);
  EXPECT_EQ(DoDirList(socket, "LIST"), 2);

  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(TheSession().EpsvRefused, c.remembered);
  EXPECT_EQ(Logged(host, "[x] EPSV not known to the server: PASV from now on"), c.remembered);
  std::vector<std::string> commands = CommandsAfterLogon();
  ASSERT_EQ(commands.size(), 5u);
  EXPECT_EQ(commands[0], "EPSV");
  EXPECT_EQ(commands[1].substr(0, 4), c.remembered ? "PASV" : "PORT");
  EXPECT_EQ(commands[3], c.remembered ? "PASV" : "EPSV");
}

INSTANTIATE_TEST_SUITE_P(Refusals, EpsvRefusedTest,
                         ::testing::Values(RefusalCase{"NotUnderstood", "500 'EPSV': command not understood.", true},
                                           RefusalCase{"NotImplemented", "502 EPSV not implemented.", true},
                                           RefusalCase{"SyntaxError", "501 Bad network protocol.", false},
                                           RefusalCase{"Busy", "425 Cannot open passive connection.", false}),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(ExtendedPassiveTest, ReconnectingAsksEpsvAgain) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("EPSV").Reply("500 'EPSV': command not understood.");
    s.Expect("PASV").Passive();
    s.Expect("LIST").Transfer(Listing);
  });
  EXPECT_EQ(DoDirList(socket, "LIST"), 2);
  ASSERT_TRUE(TheSession().EpsvRefused);
  TheSession().ControlSocket = socket;
  TheSession().LoggedOn = true;
  socket = -1;

  CloseConnection();

  EXPECT_FALSE(TheSession().EpsvRefused);
}

}  // namespace
}  // namespace korval::engine
