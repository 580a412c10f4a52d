// The TLS steps of the logon against the scripted server, for what real
// servers rarely do: AUTH TLS refused, accepted and then the connection
// closed, accepted with plain text where the handshake should be, and a plain
// greeting where implicit TLS expects a handshake. Each with the exact
// commands sent: where TLS is required, no USER or PASS ever goes out.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "connection_test_support.h"
#include "engine/failure_reason.h"
#include "engine/logon.h"

namespace korval::engine {
namespace {

using namespace std::chrono_literals;
using testing::ConnectionStateGuard;
using testing::Logged;
using testing::ProfileFor;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAreArray;

struct TlsLogonCase {
  const char* name;
  std::int32_t tlsMode;
  std::function<void(ScriptedFtpServer&)> script;  // after the greeting
  std::vector<std::string> transcript;
  bool loggedOn;
  const char* reason;  // part of the failure reason, when it fails
};

void PrintTo(const TlsLogonCase& c, std::ostream* out) { *out << c.name; }

class TlsLogonTest : public ::testing::TestWithParam<TlsLogonCase> {
 protected:
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;
};

TEST_P(TlsLogonTest, SendsTheSequenceAndEndsAsExpected) {
  const TlsLogonCase& c = GetParam();
  server.Reply("220 Welcome");
  c.script(server);
  server.Start();
  config::SessionProfile& profile = config::CurrentProfile();
  profile = ProfileFor(server);
  profile.TlsMode = c.tlsMode;
  ClearFailureReason();

  const int socket = Logon(profile);

  // The commands, up to the client's TLS hello (a handshake record, 0x16,
  // which the plain server reads as lines of bytes).
  std::vector<std::string> commands = server.Transcript();
  commands.erase(std::find_if(commands.begin(), commands.end(),
                              [](const std::string& line) { return !line.empty() && line[0] == '\x16'; }),
                 commands.end());
  EXPECT_THAT(commands, ElementsAreArray(c.transcript));
  EXPECT_EQ(TheSession().LoggedOn, c.loggedOn);
  EXPECT_EQ(socket != -1, c.loggedOn);
  if (!c.loggedOn) {
    EXPECT_TRUE(Logged(host, "TLS failure, so quitting"));
    EXPECT_NE(FailureReason().find(c.reason), std::string::npos) << FailureReason();
    if (server.ConnectionsClosed() == 0) {
      EXPECT_TRUE(server.WaitForClientClose(2s)) << "a failed logon closes its socket";
    }
  }
  if (socket != -1) ::close(socket);
}

void UserPass(ScriptedFtpServer& s) {
  s.Expect("USER anna").Reply("331 Password required");
  s.Expect("PASS secret").Reply("230 Logged in");
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, TlsLogonTest,
    ::testing::Values(
        TlsLogonCase{"RequiredButRefused", 2,
                     [](ScriptedFtpServer& s) { s.Expect("AUTH TLS").Reply("502 Command not implemented"); },
                     {"AUTH TLS"}, false, "does not offer TLS (AUTH TLS answered \"502 Command not implemented\")"},
        TlsLogonCase{"WhenOfferedAndRefused", 1,
                     [](ScriptedFtpServer& s) {
                       s.Expect("AUTH TLS").Reply("500 AUTH not understood");
                       UserPass(s);
                     },
                     {"AUTH TLS", "USER anna", "PASS secret", "FEAT"}, true, nullptr},
        TlsLogonCase{"AcceptedThenClosed", 2,
                     [](ScriptedFtpServer& s) { s.Expect("AUTH TLS").Reply("234 Proceed").CloseControl(); },
                     {"AUTH TLS"}, false, "TLS handshake failed: the server closed the connection"},
        TlsLogonCase{"AcceptedThenClosedWhenOnlyOffered", 1,
                     [](ScriptedFtpServer& s) { s.Expect("AUTH TLS").Reply("234 Proceed").CloseControl(); },
                     {"AUTH TLS"}, false, "TLS handshake failed: the server closed the connection"},
        TlsLogonCase{"AcceptedThenPlainText", 2,
                     [](ScriptedFtpServer& s) { s.Expect("AUTH TLS").Reply("234 Proceed").Reply("200 plain again"); },
                     {"AUTH TLS"}, false, "TLS handshake failed: wrong version number"},
        TlsLogonCase{"ImplicitMeetsAPlainGreeting", 3, [](ScriptedFtpServer&) {}, {}, false,
                     "TLS handshake failed: wrong version number"}),
    [](const ::testing::TestParamInfo<TlsLogonCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korval::engine
