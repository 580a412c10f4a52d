// FEAT after the logon against the scripted server: the reply forms servers
// send, the "[x]" line that reports them, and servers that do not know FEAT.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "connection_test_support.h"
#include "engine/logon.h"
#include "engine/server_features.h"

namespace korval::engine {
namespace {

using testing::ConnectionStateGuard;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAre;

struct FeatCase {
  const char* name;
  std::string reply;  // the bytes of the whole reply
  bool answered;
  const char* logged;  // the "[x]" line, or nullptr for none
  bool epsv;
};

void PrintTo(const FeatCase& c, std::ostream* out) { *out << c.name; }

class FeatAfterLogonTest : public ::testing::TestWithParam<FeatCase> {
 protected:
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;
};

TEST_P(FeatAfterLogonTest, KeepsTheFeaturesAndLogsThemOnce) {
  const FeatCase& c = GetParam();
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password").Expect("PASS secret").Reply("230 Logged in");
  server.Expect("FEAT").Send(c.reply);
  server.Expect("NOOP").Reply("200 Still here");
  server.Start();
  config::CurrentProfile() = testing::ProfileFor(server);

  const int socket = Logon(config::CurrentProfile());
  ASSERT_NE(socket, -1);
  // The reply was read to its end: the next command gets its own reply.
  EXPECT_EQ(SendCommand(socket, "NOOP"), 2);
  EXPECT_EQ(TheSession().LastReplyCode, 200);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna", "PASS secret", "FEAT", "NOOP"));
  EXPECT_EQ(SessionFeatures().Answered(), c.answered);
  EXPECT_EQ(ServerHasFeature(ServerFeature::Epsv), c.epsv);
  int featureLines = 0;
  for (const std::string& line : host.LogWindowLines())
    if (line.rfind("[x] server features", 0) == 0) ++featureLines;
  EXPECT_EQ(featureLines, c.logged ? 1 : 0);
  if (c.logged) {
    EXPECT_TRUE(testing::Logged(host, c.logged)) << c.logged;
  }
  ::close(socket);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FeatAfterLogonTest,
    ::testing::Values(
        FeatCase{"MultiLine", "211-Features:\r\n EPSV\r\n EPRT\r\n MLST size*;modify*;\r\n SIZE\r\n211 End\r\n", true,
                 "[x] server features: EPSV EPRT MLST SIZE", true},
        FeatCase{"EndLineWithoutText", "211-Extensions supported:\r\n SIZE\r\n REST STREAM\r\n211\r\n", true,
                 "[x] server features: SIZE REST STREAM", false},
        FeatCase{"OneLine", "211 No features\r\n", true, "[x] server features: none", false},
        FeatCase{"ContinuationLinesWithTheCode", "211-Features\r\n211-MDTM\r\n211-UTF8\r\n211 End\r\n", true,
                 "[x] server features: MDTM UTF8", false},
        FeatCase{"NotUnderstood", "500 'FEAT': command not understood.\r\n", false, nullptr, false},
        FeatCase{"NotImplemented", "502 Command not implemented.\r\n", false, nullptr, false},
        FeatCase{"NotLoggedOnAnswer", "530 Please login with USER and PASS.\r\n", false, nullptr, false}),
    [](const ::testing::TestParamInfo<FeatCase>& info) { return std::string(info.param.name); });

TEST(FeatAfterLogon, CloseForgetsTheFeatures) {
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;
  server.UseDefaultReplies().Answer("FEAT", testing::ScriptSteps().Reply({"211-Features:", " EPSV", " SIZE", "211 End"}));
  server.Start();
  config::CurrentProfile() = testing::ProfileFor(server);
  TheSession().ControlSocket = Logon(config::CurrentProfile());
  ASSERT_NE(TheSession().ControlSocket, -1);
  TheSession().LoggedOn = true;
  ASSERT_TRUE(ServerHasFeature(ServerFeature::Size));

  CloseConnection();

  EXPECT_FALSE(SessionFeatures().Answered());
  EXPECT_FALSE(ServerHasFeature(ServerFeature::Size));
  EXPECT_FALSE(ServerHasFeature(ServerFeature::Epsv));
}

}  // namespace
}  // namespace korval::engine
