// Logon against the scripted server: the five sequences (the scripted server
// plays the firewall), the password and account prompts, the greeting, and
// every failure message, each with the exact commands the client sent.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "config/firewall_settings.h"
#include "connection_test_support.h"
#include "engine/host_detection.h"
#include "engine/host_type.h"
#include "engine/logon.h"

namespace korval::engine {
namespace {

using namespace std::chrono_literals;
using engine::HostType;
using engine::HostTypeNumber;
using testing::ConnectionStateGuard;
using testing::Logged;
using testing::ProfileFor;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr const char* FinalHost = "ftp.example";

class LogonTest : public ::testing::Test {
 protected:
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;

  // The server stands in for the firewall; the final host is never dialled.
  config::SessionProfile& BehindFirewall(std::int32_t fireType, std::string firewallPassword = "fwpass") {
    config::SessionProfile& profile = config::CurrentProfile();
    profile = ProfileFor(server);
    profile.Host = FinalHost;
    profile.Port = 1;  // the firewall's port replaces it
    profile.UseFirewall = 1;
    config::FirewallSettings firewall;
    firewall.Host = server.Address();
    firewall.Port = server.Port();
    firewall.User = "fwuser";
    firewall.Password = firewallPassword;
    firewall.Type = fireType;
    config::SaveFirewallSettings(firewall, !firewallPassword.empty());
    return profile;
  }

  config::SessionProfile& Direct() {
    config::SessionProfile& profile = config::CurrentProfile();
    profile = ProfileFor(server);
    return profile;
  }
};

struct SequenceCase {
  const char* name;
  int fireType;  // -1: no firewall
  std::function<void(ScriptedFtpServer&)> script;
  std::vector<std::string> transcript;
  bool loggedOn;
  const char* message;  // the last line logged on failure, or nullptr
};

void PrintTo(const SequenceCase& c, std::ostream* out) { *out << c.name; }

class LogonSequenceTest : public LogonTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(LogonSequenceTest, SendsTheSequenceAndEndsAsExpected) {
  const SequenceCase& c = GetParam();
  server.Reply("220 Welcome");
  c.script(server);
  server.Start();
  config::SessionProfile& profile = c.fireType < 0 ? Direct() : BehindFirewall(c.fireType);

  int socket = Logon(profile);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(server.Transcript(), ElementsAreArray(c.transcript));
  EXPECT_EQ(TheSession().LoggedOn, c.loggedOn);
  if (c.loggedOn) {
    EXPECT_NE(socket, -1);
    EXPECT_EQ(server.ClientCloses(), 0);
  } else {
    EXPECT_EQ(socket, -1);
    if (server.ConnectionsClosed() == 0) {
      EXPECT_TRUE(server.WaitForClientClose(2s)) << "a failed logon closes its socket";
    }
    ASSERT_NE(c.message, nullptr);
    EXPECT_TRUE(Logged(host, c.message)) << c.message;
  }
  if (c.fireType >= 0) {
    EXPECT_EQ(profile.Port, server.Port());
  }
  if (socket != -1) ::close(socket);
}

void UserPass(ScriptedFtpServer& s, const char* user, const char* password) {
  s.Expect(std::string("USER ") + user).Reply("331 Password required");
  s.Expect(std::string("PASS ") + password).Reply("230 Logged in");
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, LogonSequenceTest,
    ::testing::Values(
        SequenceCase{"Direct", -1, [](ScriptedFtpServer& s) { UserPass(s, "anna", "secret"); },
                     {"USER anna", "PASS secret", "FEAT"}, true, nullptr},
        SequenceCase{"DirectWithoutPassword", -1,
                     [](ScriptedFtpServer& s) { s.Expect("USER anna").Reply("230 No password needed"); },
                     {"USER anna", "FEAT"}, true, nullptr},
        SequenceCase{"DirectUserRefused", -1,
                     [](ScriptedFtpServer& s) { s.Expect("USER anna").Reply("530 Unknown user"); },
                     {"USER anna"}, false, "logon failure, so quitting"},
        SequenceCase{"DirectPasswordRefused", -1,
                     [](ScriptedFtpServer& s) {
                       s.Expect("USER anna").Reply("331 Password required");
                       s.Expect("PASS secret").Reply("530 Login incorrect");
                     },
                     {"USER anna", "PASS secret"}, false, "logon failure, so quitting"},
        SequenceCase{"DropAfterUser", -1, [](ScriptedFtpServer& s) { s.Expect("USER anna").CloseControl(); },
                     {"USER anna"}, false, "logon failure, so quitting"},
        SequenceCase{"SiteHostname", 0,
                     [](ScriptedFtpServer& s) {
                       UserPass(s, "fwuser", "fwpass");
                       s.Expect("SITE ftp.example").Reply("220 Connected to ftp.example");
                       UserPass(s, "anna", "secret");
                     },
                     {"USER fwuser", "PASS fwpass", "SITE ftp.example", "USER anna", "PASS secret", "FEAT"}, true, nullptr},
        SequenceCase{"SiteHostnameRefused", 0,
                     [](ScriptedFtpServer& s) {
                       UserPass(s, "fwuser", "fwpass");
                       s.Expect("SITE ftp.example").Reply("530 No route to ftp.example");
                     },
                     {"USER fwuser", "PASS fwpass", "SITE ftp.example"}, false,
                     "Connect to final destination failed, so quitting"},
        SequenceCase{"SiteHostnameUserRefused", 0,
                     [](ScriptedFtpServer& s) {
                       UserPass(s, "fwuser", "fwpass");
                       s.Expect("SITE ftp.example").Reply("200 Connected");
                       s.Expect("USER anna").Reply("530 Not here");
                     },
                     {"USER fwuser", "PASS fwpass", "SITE ftp.example", "USER anna"}, false,
                     "logon failure, so quitting"},
        SequenceCase{"FirewallUserRefused", 0,
                     [](ScriptedFtpServer& s) { s.Expect("USER fwuser").Reply("530 Who are you"); },
                     {"USER fwuser"}, false, "Firewall logon failure, so quitting"},
        SequenceCase{"FirewallPasswordRefused", 1,
                     [](ScriptedFtpServer& s) {
                       s.Expect("USER fwuser").Reply("331 Password required");
                       s.Expect("PASS fwpass").Reply("530 Wrong");
                     },
                     {"USER fwuser", "PASS fwpass"}, false, "Firewall logon failure, so quitting"},
        SequenceCase{"UserAfterLogon", 1,
                     [](ScriptedFtpServer& s) {
                       UserPass(s, "fwuser", "fwpass");
                       UserPass(s, "anna@ftp.example", "secret");
                     },
                     {"USER fwuser", "PASS fwpass", "USER anna@ftp.example", "PASS secret", "FEAT"}, true, nullptr},
        SequenceCase{"UserAfterLogonWithoutPasswordFails", 1,
                     [](ScriptedFtpServer& s) {
                       UserPass(s, "fwuser", "fwpass");
                       s.Expect("USER anna@ftp.example").Reply("230 Logged in");
                     },
                     {"USER fwuser", "PASS fwpass", "USER anna@ftp.example"}, false,
                     "Connect to final destination failed, so quitting"},
        SequenceCase{"UserWithNoLogon", 2, [](ScriptedFtpServer& s) { UserPass(s, "anna@ftp.example", "secret"); },
                     {"USER anna@ftp.example", "PASS secret", "FEAT"}, true, nullptr},
        SequenceCase{"UserWithNoLogonWithoutPassword", 2,
                     [](ScriptedFtpServer& s) { s.Expect("USER anna@ftp.example").Reply("230 Logged in"); },
                     {"USER anna@ftp.example", "FEAT"}, true, nullptr},
        SequenceCase{"UserWithNoLogonRefused", 2,
                     [](ScriptedFtpServer& s) { s.Expect("USER anna@ftp.example").Reply("421 Cannot reach it"); },
                     {"USER anna@ftp.example"}, false, "Connect to final destination failed, so quitting"},
        SequenceCase{"ProxyOpen", 3,
                     [](ScriptedFtpServer& s) {
                       s.Expect("OPEN ftp.example").Reply("220 ftp.example ready");
                       UserPass(s, "anna", "secret");
                     },
                     {"OPEN ftp.example", "USER anna", "PASS secret", "FEAT"}, true, nullptr},
        SequenceCase{"ProxyOpenAnsweredWithThreeHundred", 3,
                     [](ScriptedFtpServer& s) {
                       s.Expect("OPEN ftp.example").Reply("331 Connected, send user");
                       s.Expect("USER anna").Reply("230 Logged in");
                     },
                     {"OPEN ftp.example", "USER anna", "FEAT"}, true, nullptr},
        SequenceCase{"ProxyOpenRefused", 3,
                     [](ScriptedFtpServer& s) { s.Expect("OPEN ftp.example").Reply("500 OPEN not understood"); },
                     {"OPEN ftp.example"}, false, "Connect to final destination failed, so quitting"},
        SequenceCase{"UnknownMethodLogsOnToTheFirewallHost", 7,
                     [](ScriptedFtpServer& s) { UserPass(s, "anna", "secret"); }, {"USER anna", "PASS secret", "FEAT"}, true,
                     nullptr}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

TEST_F(LogonTest, MissingPasswordIsAskedForAndNeverLogged) {
  server.Reply("220 Welcome");
  UserPass(server, "anna", "typed-in");
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.Password.clear();
  host.QueueAnswer("");  // an empty answer asks again
  host.QueueAnswer("typed-in");

  int socket = Logon(profile);

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(server.Verify());
  std::vector<testing::PromptRecord> prompts = host.Prompts();
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].kind, testing::PromptKind::Password);
  EXPECT_EQ(prompts[0].prompt, "Please enter a password for anna on " + server.Address() + ":");
  EXPECT_EQ(profile.Password, "typed-in");
  EXPECT_TRUE(Logged(host, "PASS (hidden)"));
  EXPECT_FALSE(testing::LoggedContaining(host, "typed-in"));
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, CancelledPasswordPromptSendsNoPassAndFails) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.Password.clear();
  host.QueueCancel();

  EXPECT_EQ(Logon(profile), -1);

  EXPECT_TRUE(server.WaitForClientClose(2s));
  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna"));
  EXPECT_TRUE(Logged(host, "logon failure, so quitting"));
  EXPECT_FALSE(TheSession().LoggedOn);
}

TEST_F(LogonTest, MissingFirewallPasswordIsAskedFor) {
  server.Reply("220 Firewall");
  UserPass(server, "fwuser", "fw-typed");
  UserPass(server, "anna@ftp.example", "secret");
  server.Start();
  config::SessionProfile& profile = BehindFirewall(1, "");
  host.QueueAnswer("fw-typed");

  int socket = Logon(profile);

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(server.Verify());
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].prompt, "Please enter a password for fwuser on firewall " + server.Address() + ":");
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, AccountAskedForAfterPassword) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
  server.Expect("PASS secret").Reply("332 Need account for login");
  server.Expect("ACCT dept7").Reply("230 Logged in");
  server.Start();
  config::SessionProfile& profile = Direct();
  host.QueueAnswer("dept7");

  int socket = Logon(profile);

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(server.Verify());
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].kind, testing::PromptKind::Text);
  EXPECT_EQ(host.Prompts()[0].prompt, "Please enter an account for anna on " + server.Address() + ":");
  EXPECT_EQ(profile.Account, "dept7");
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, KnownAccountIsSentWithoutAsking) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
  server.Expect("PASS secret").Reply("332 Need account for login");
  server.Expect("ACCT dept9").Reply("530 Account refused");
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.Account = "dept9";

  EXPECT_EQ(Logon(profile), -1);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(host.Prompts(), IsEmpty());
  EXPECT_TRUE(Logged(host, "logon failure, so quitting"));
}

TEST_F(LogonTest, LoggedOnReplyMentioningAccountAsksForOneAndStaysLoggedOnWhenItIsRefused) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
  server.Expect("PASS secret").Reply("230 User logged in, ACCOUNT required for writing");
  server.Expect("ACCT dept7").Reply("530 No such account");
  server.Start();
  config::SessionProfile& profile = Direct();
  host.QueueAnswer("dept7");

  int socket = Logon(profile);

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna", "PASS secret", "ACCT dept7", "FEAT"));
  EXPECT_TRUE(TheSession().LoggedOn);
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, AccountInLowerCaseDoesNotAskForOne) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
  server.Expect("PASS secret").Reply("230 Logged in, account not needed");
  server.Start();

  int socket = Logon(Direct());

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(host.Prompts(), IsEmpty());
  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna", "PASS secret", "FEAT"));
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, SuccessSendsTheInitialCommandAsItStandsAndSetsTheCaption) {
  server.Reply("220 Welcome");
  UserPass(server, "anna", "secret");
  server.Expect("SITE IDLE 100%d").Reply("500 Unknown SITE command");  // its reply is not examined
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.InitCommand = "SITE IDLE 100%d";

  int socket = Logon(profile);

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(server.Verify());
  EXPECT_TRUE(TheSession().LoggedOn);
  EXPECT_FALSE(TheSession().HostTypeSettled);
  std::vector<testing::HostCall> captions = host.CallsTo("SetWindowCaption");
  ASSERT_FALSE(captions.empty());
  EXPECT_EQ(captions.back().text, "KORVAL95 LE " + server.Address());
  EXPECT_TRUE(Logged(host, "[" + std::to_string(socket) + "] from 127.0.0.1 port " +
                               std::to_string(TheSession().LocalAddress.Port())));
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, Rsx11mProfileIsSettledAtOnce) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.HostType = HostTypeNumber(HostType::Pdp11Rsx11m);

  int socket = Logon(profile);

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(TheSession().HostTypeSettled);
  EXPECT_TRUE(TheSession().CanDelete);
  EXPECT_EQ(TheSession().HostType, HostTypeNumber(HostType::Pdp11Rsx11m));
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, AlreadyConnectedDialsNothing) {
  server.Start();
  TheSession().LoggedOn = true;

  EXPECT_EQ(Logon(Direct()), -1);

  EXPECT_TRUE(Logged(host, "Already connected!"));
  EXPECT_EQ(server.ConnectionsAccepted(), 0);
}

TEST_F(LogonTest, UnreachableHostLogsTheConnectionFailure) {
  config::SessionProfile& profile = config::CurrentProfile();
  profile.Host = "127.0.0.1";
  profile.Port = testing::RefusedLoopbackPort();

  EXPECT_EQ(Logon(profile), -1);

  EXPECT_TRUE(Logged(host, "can't connect to 127.0.0.1 - connection refused"));
  EXPECT_TRUE(Logged(host, "Connection to 127.0.0.1 failed"));
}

TEST_F(LogonTest, UnreachableFirewallNamesTheFirewall) {
  server.Start();
  BehindFirewall(1);
  config::FirewallSettings firewall;
  firewall.Host = "127.0.0.1";
  firewall.Port = testing::RefusedLoopbackPort();
  config::SaveFirewallSettings(firewall, false);

  EXPECT_EQ(Logon(config::CurrentProfile()), -1);

  EXPECT_TRUE(Logged(host, "Connection to 127.0.0.1 failed"));
  EXPECT_EQ(server.ConnectionsAccepted(), 0);
}

struct GreetingFailureCase {
  const char* name;
  std::function<void(ScriptedFtpServer&)> script;
  const char* message;
};

void PrintTo(const GreetingFailureCase& c, std::ostream* out) { *out << c.name; }

class GreetingFailureTest : public LogonTest, public ::testing::WithParamInterface<GreetingFailureCase> {};

TEST_P(GreetingFailureTest, ClosesTheConnectionWithTheMessage) {
  GetParam().script(server);
  server.Start();
  const auto started = std::chrono::steady_clock::now();

  EXPECT_EQ(Logon(Direct()), -1);

  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
  EXPECT_TRUE(Logged(host, GetParam().message)) << GetParam().message;
  EXPECT_THAT(server.Transcript(), IsEmpty());
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_FALSE(TheSession().GreetingPhase);
}

INSTANTIATE_TEST_SUITE_P(
    Greetings, GreetingFailureTest,
    ::testing::Values(
        GreetingFailureCase{"ServiceNotAvailable", [](ScriptedFtpServer& s) { s.Reply("421 Too many users"); },
                            "connection failed"},
        GreetingFailureCase{"GreetingNeverComes", [](ScriptedFtpServer& s) { s.StopResponding(); },
                            "connection failed"},
        GreetingFailureCase{"ClosedBeforeTheGreeting", [](ScriptedFtpServer& s) { s.SendThenClose("", 0); },
                            "connection failed"},
        GreetingFailureCase{"RefusedWithFiveHundred", [](ScriptedFtpServer& s) { s.Reply("530 Not welcome"); },
                            "unk open msg \"530 Not welcome\" 530"},
        GreetingFailureCase{"UnexpectedThreeHundred", [](ScriptedFtpServer& s) { s.Reply("331 Odd greeting"); },
                            "unk open msg \"331 Odd greeting\" 331"}),
    [](const ::testing::TestParamInfo<GreetingFailureCase>& info) { return std::string(info.param.name); });

// A server that drips a multi-line reply one line at a time, each within the
// read limit: the logon fails TIMEOUT after the reply's first line.
struct DrippedReplyCase {
  const char* name;
  std::function<void(ScriptedFtpServer&)> beforeDrip;
  const char* dripCode;
  const char* message;
};

void PrintTo(const DrippedReplyCase& c, std::ostream* out) { *out << c.name; }

class DrippedReplyLogonTest : public LogonTest, public ::testing::WithParamInterface<DrippedReplyCase> {};

TEST_P(DrippedReplyLogonTest, FailsWithinTheTimeout) {
  GetParam().beforeDrip(server);
  for (int i = 0; i < 20; ++i) server.Reply(std::string(GetParam().dripCode) + "-line " + std::to_string(i)).Delay(200ms);
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.Timeout = 1;
  const auto started = std::chrono::steady_clock::now();

  EXPECT_EQ(Logon(profile), -1);

  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
  EXPECT_TRUE(Logged(host, "reply not complete within 1 seconds, connection given up"))
      << ::testing::PrintToString(host.LogWindowLines());
  EXPECT_TRUE(Logged(host, GetParam().message)) << GetParam().message;
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_EQ(TheSession().LastReplyCode, 421);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, DrippedReplyLogonTest,
    ::testing::Values(DrippedReplyCase{"Greeting", [](ScriptedFtpServer&) {}, "220", "connection failed"},
                      DrippedReplyCase{"LoggedOnReply",
                                       [](ScriptedFtpServer& s) {
                                         s.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
                                         s.Expect("PASS secret");
                                       },
                                       "230", "logon failure, so quitting"}),
    [](const ::testing::TestParamInfo<DrippedReplyCase>& info) { return std::string(info.param.name); });

TEST_F(LogonTest, UnknownHostTypeIsReadAsAutomaticDetectAndLogged) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
  server.Expect("SYST").Reply("215 UNIX Type: L8");
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.HostType = 7000;

  const int socket = Logon(profile);
  ASSERT_NE(socket, -1);
  EXPECT_TRUE(Logged(host, "Unknown host type 7000 in the profile, read as 6000 (Automatic detect)"));
  EXPECT_EQ(profile.HostType, 6000u);
  DetectHostType(socket);
  ::close(socket);

  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(TheSession().HostType, HostTypeNumber(HostType::Unix));
  EXPECT_FALSE(testing::LoggedContaining(host, "(null)"));
}

TEST_F(LogonTest, ServiceReadyLaterThenReadyLogsOn) {
  server.Reply("120 Service ready in 1 minute").Delay(50ms).Reply("220 Serv-U FTP Server v2.5 ready");
  server.Expect("USER anna").Reply("230 Logged in");
  server.Start();

  int socket = Logon(Direct());

  EXPECT_NE(socket, -1);
  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(TheSession().HostType, HostTypeNumber(HostType::ServU));
  EXPECT_EQ(testing::CountLogged(host, "Host type (1): Serv-U"), 1);
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, PreliminaryGreetingLineIsDetectedToo) {
  server.Reply("120 NetWare v4 host, ready in a moment").Reply("220 Ready");
  server.Expect("USER anna").Reply("230 Logged in");
  server.Start();

  int socket = Logon(Direct());

  EXPECT_NE(socket, -1);
  EXPECT_EQ(TheSession().HostType, HostTypeNumber(HostType::NetWare4));
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, ProfileTypeIsNotOverriddenByTheGreeting) {
  server.Reply("220 Serv-U FTP Server v2.5 ready").Expect("USER anna").Reply("230 Logged in");
  server.Start();
  config::SessionProfile& profile = Direct();
  profile.HostType = HostTypeNumber(HostType::Unix);

  int socket = Logon(profile);

  EXPECT_NE(socket, -1);
  EXPECT_EQ(TheSession().HostType, HostTypeNumber(HostType::Unix));
  EXPECT_FALSE(testing::LoggedContaining(host, "Host type (1)"));
  if (socket != -1) ::close(socket);
}

TEST_F(LogonTest, FinalHostsReplyBehindTheFirewallIsDetected) {
  server.Reply("220 Proxy ready").Expect("USER anna@ftp.example").Reply("230 Serv-U FTP Server v2.5 ready");
  server.Start();

  int socket = Logon(BehindFirewall(2));

  EXPECT_NE(socket, -1);
  EXPECT_EQ(TheSession().HostType, HostTypeNumber(HostType::ServU));
  if (socket != -1) ::close(socket);
}

struct GreetingRow {
  std::vector<std::string> lines;  // the greeting as sent
  HostType expected;
};

void PrintTo(const GreetingRow& row, std::ostream* out) { *out << '"' << row.lines.back() << '"'; }

class GreetingDetectionTest : public LogonTest, public ::testing::WithParamInterface<GreetingRow> {};

TEST_P(GreetingDetectionTest, GreetingYieldsTheType) {
  std::string greeting;
  for (const std::string& line : GetParam().lines) greeting += line + "\r\n";
  server.Send(greeting).Expect("USER anna").Reply("230 Logged in");
  server.Start();

  int socket = Logon(Direct());

  ASSERT_NE(socket, -1);
  EXPECT_EQ(TheSession().HostType, HostTypeNumber(GetParam().expected));
  if (GetParam().expected != HostType::AutomaticDetect) {
    EXPECT_EQ(testing::CountLogged(host, "Host type (1): " + std::string(engine::HostTypeName(GetParam().expected))),
              1);
  } else {
    EXPECT_FALSE(testing::LoggedContaining(host, "Host type (1)"));
  }
  ::close(socket);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GreetingDetectionTest,
    ::testing::Values(
        GreetingRow{{"220 IBM Spartacus KNET FTP server ready"}, HostType::IbmSpartacusKnet},
        GreetingRow{{"220 nw1 FTP server (NetWare v4.11) ready"}, HostType::NetWare4},
        GreetingRow{{"220 Serv-U FTP Server v2.5 for WinSock ready"}, HostType::ServU},
        GreetingRow{{"220 pc1 WFTPD 2.0 service ready"}, HostType::Wftpd},
        GreetingRow{{"220 Novell LAN WorkPlace FTP server"}, HostType::SuperTcp},
        GreetingRow{{"220 unisys FTP server (EXOS version 2.1) ready"}, HostType::Unisys5000},
        GreetingRow{{"220 VersaTerm FTP server ready"}, HostType::MacVersaTerm},
        GreetingRow{{"220 KNET/MVS FTP server"}, HostType::IbmMvsKnet},
        GreetingRow{{"220 RSX-11M FTP server"}, HostType::Pdp11Rsx11m},
        GreetingRow{{"220 KA9Q NOS N1BEE ready"}, HostType::Ka9qNos},
        GreetingRow{{"220 IBM OS/2 TCP/IP FTP Server ready"}, HostType::IbmPcTcpIp},
        GreetingRow{{"220 host hobbes FTP ready"}, HostType::QvtNet23},
        GreetingRow{{"220 host OS-9 FTP ready"}, HostType::Os9},
        GreetingRow{{"220 GCOS 8 FTP server"}, HostType::BullGcos},
        GreetingRow{{"220 BULL DPX ready"}, HostType::BullGcos},
        GreetingRow{{"220 Amiga FTP server ready"}, HostType::Amiga},
        GreetingRow{{"220 JNOS FTP version 1.11"}, HostType::Ka9qNos},
        GreetingRow{{"220 Rational FTP server"}, HostType::IbmR1000},
        GreetingRow{{"220 CP-6 FTP server ready"}, HostType::BullCp6},
        GreetingRow{{"220 DOS FTP Server 3.0 ready"}, HostType::FtpPcTcp30},
        GreetingRow{{"220 NetWare v4 host running Serv-U FTP"}, HostType::NetWare4},
        GreetingRow{{"220-Welcome", "220-Serv-U FTP Server v2.5", "220 ready"}, HostType::ServU},
        GreetingRow{{"220 server on hobbes"}, HostType::AutomaticDetect},
        GreetingRow{{"220 (vsFTPd 3.0.3)"}, HostType::AutomaticDetect}));

}  // namespace
}  // namespace korval::engine
