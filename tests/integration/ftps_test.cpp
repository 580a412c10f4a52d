// FTP over TLS against vsftpd and pyftpdlib, both requiring TLS for the
// logon and the data connections (vsftpd also the reuse of the control
// connection's TLS session): listings and byte-exact transfers both ways in
// passive and active mode, implicit TLS, and every way a certificate is
// trusted or refused. What a server does without TLS when the profile
// requires it, and a firewall method beside required TLS.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "config/config_file.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/failure_reason.h"
#include "engine/command_engine.h"
#include "engine/file_transfer.h"
#include "engine/logon.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "operations/main_commands.h"
#include "platform/net.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using testing::LoggedOnSession;
using testing::RealFtpServer;
using testing::ServerKind;
using testing::ServerTls;

bool Contains(const std::vector<std::string>& lines, std::string_view wanted) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(wanted) != std::string::npos; });
}

// The line the engine logs for a command it sends (the features line of FEAT
// names "AUTH TLS" too).
bool Sent(const std::vector<std::string>& lines, std::string_view command) {
  return std::find(lines.begin(), lines.end(), command) != lines.end();
}

bool AnyStartsWith(const std::vector<std::string>& lines, std::string_view prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; });
}

class TlsServerFixture {
 protected:
  TlsServerFixture() {
    config::ProgramFiles().ConfigPath = local_.FilePath("KORVAL.INI").string();
    config::Settings().Verbose = 1;  // the "[" lines are part of what the tests check
  }
  std::string Local(std::string_view name) { return local_.FilePath(name).string(); }
  testing::LogonTarget Target(const RealFtpServer& server, bool passive = true) {
    return {server.Host(), server.Port(), server.User(), server.Password(), passive};
  }
  std::vector<std::string> Log() const { return host_.LogWindowLines(); }

  testing::EngineState state_;
  testing::ScriptedHost host_;
  testing::ScopedHost installed_{host_};
  testing::TemporaryDirectory local_;
};

class ExplicitTlsTest : public ::testing::TestWithParam<ServerKind>, protected TlsServerFixture {
 protected:
  void SetUp() override {
    server_ = std::make_unique<RealFtpServer>(GetParam(), ServerTls::Explicit);
    ASSERT_TRUE(server_->Start()) << server_->Error();
  }
  void TearDown() override {
    if (!HasFailure() || !server_) return;
    std::fprintf(stderr, "--- server log ---\n%s\n--- client log ---\n", server_->ServerLog().c_str());
    for (const std::string& line : Log()) std::fprintf(stderr, "%s\n", line.c_str());
  }
  RealFtpServer& Server() { return *server_; }
  std::unique_ptr<RealFtpServer> server_;
};

TEST_P(ExplicitTlsTest, ListingsAndFilesMoveByteExactBothWaysInBothModes) {
  const std::string content = testing::PatternBytes(7, 3 * 1024 * 1024 + 4321);
  ASSERT_TRUE(Server().WriteFile("big.bin", content));
  for (bool passive : {true, false}) {
    SCOPED_TRACE(passive ? "passive" : "active");
    host_.Clear();
    LoggedOnSession session(Target(Server(), passive), {2, Server().CertificateFingerprint()});
    ASSERT_TRUE(session.Ok()) << FailureReason();
    EXPECT_TRUE(TheSession().ControlTls);
    EXPECT_TRUE(TheSession().DataTls);
    const std::vector<std::string> log = Log();
    // AUTH before USER; the data connections protected once logged on.
    const auto auth = std::find(log.begin(), log.end(), "AUTH TLS");
    const auto user = std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("USER ", 0) == 0; });
    ASSERT_NE(auth, log.end());
    ASSERT_NE(user, log.end());
    EXPECT_LT(auth, user);
    EXPECT_TRUE(Contains(log, "PBSZ 0"));
    EXPECT_TRUE(Contains(log, "PROT P"));

    const std::string listing = Local("list.txt");
    EXPECT_EQ(ReceiveFile(session.Socket(), "LIST", listing, 'A'), 2);
    std::optional<std::string> listed = local_.ReadFile("list.txt");
    ASSERT_TRUE(listed.has_value());
    EXPECT_NE(listed->find("big.bin"), std::string::npos) << *listed;

    const std::string path = Local("got.bin");
    EXPECT_EQ(ReceiveFile(session.Socket(), "RETR big.bin", path, 'I'), 2);
    EXPECT_EQ(TransferResult(), TransferComplete);
    std::optional<std::string> received = local_.ReadFile("got.bin");
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(received->size(), content.size());
    EXPECT_EQ(testing::Fnv1a64(*received), testing::Fnv1a64(content));

    const std::string remote = passive ? "up-pasv.bin" : "up-port.bin";
    EXPECT_EQ(SendFile(session.Socket(), "STOR " + remote, path, 'I'), 2);
    std::optional<std::string> stored = Server().ReadFile(remote);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->size(), content.size());
    EXPECT_EQ(testing::Fnv1a64(*stored), testing::Fnv1a64(content));
    if (GetParam() == ServerKind::Vsftpd) {
      EXPECT_TRUE(Contains(Log(), "session reused"));
    }
  }
}

TEST_P(ExplicitTlsTest, CancelEndsATlsReceiveAndTheControlConnectionStaysInStep) {
  ASSERT_TRUE(Server().WriteFile("big.bin", testing::PatternBytes(0, 48 * 1024 * 1024)));
  LoggedOnSession session(Target(Server()), {2, Server().CertificateFingerprint()});
  ASSERT_TRUE(session.Ok()) << FailureReason();
  // Cancel is pressed in the window while the data loop runs, once the data
  // connection is in TLS (the loop's hook handles the click).
  bool clicked = false;
  platform::InstallBlockingHook([&clicked] {
    if (clicked || !SocketHasTls(TheSession().DataSocket)) return false;
    clicked = true;
    operations::CancelCommand();
    return true;
  });
  const auto start = std::chrono::steady_clock::now();
  const int result = ReceiveFile(session.Socket(), "RETR big.bin", Local("big.bin"), 'I');
  platform::InstallBlockingHook(nullptr);
  ASSERT_TRUE(clicked);
  // Well within a user's patience; the waits' own limit is 20 seconds.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(result, 2);
  EXPECT_EQ(TransferResult(), TransferIncomplete);
  EXPECT_EQ(TheSession().DataSocket, -1);
  // The next command over the TLS control connection gets its own reply.
  TheSession().CancelRequested = false;
  EXPECT_EQ(SendCommand(session.Socket(), "NOOP"), 2);
  EXPECT_EQ(TheSession().LastReplyCode, 200);
}

TEST_P(ExplicitTlsTest, SelfSignedCertificateIsAskedAboutAndKeptWhenTrustedAlways) {
  struct Case {
    const char* name;
    std::optional<platform::CertificateTrust> answer;
    bool loggedOn;
    bool pinKept;
  } cases[] = {
      {"refused (no answer queued)", std::nullopt, false, false},
      {"trusted once", platform::CertificateTrust::Once, true, false},
      {"trusted always", platform::CertificateTrust::Always, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host_.Clear();
    ClearFailureReason();
    config::WriteSectionString("test", "TLSPIN", std::nullopt);
    if (c.answer) host_.QueueCertificateAnswer(*c.answer);
    const std::uint32_t cancelPresses = TheSession().CancelPresses.load();
    LoggedOnSession session(Target(Server()), {1, ""});
    EXPECT_EQ(session.Ok(), c.loggedOn) << FailureReason();
    // Refusing is the user's Cancel: a connect with retries makes no more attempts.
    EXPECT_EQ(TheSession().CancelPresses.load() != cancelPresses, !c.loggedOn);
    const std::vector<testing::HostCall> asked = host_.CallsTo("AskCertificateTrust");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "127.0.0.1");
    EXPECT_EQ(asked[0].detail, Server().CertificateFingerprint() + " self-signed certificate");
    if (!c.loggedOn) {
      EXPECT_NE(FailureReason().find("self-signed certificate"), std::string::npos) << FailureReason();
      EXPECT_FALSE(AnyStartsWith(Log(), "USER ")) << "no logon over a connection whose certificate was refused";
    }
    const std::string stored = config::ReadSectionString("test", "TLSPIN", "", 200);
    EXPECT_EQ(stored, c.pinKept ? Server().CertificateFingerprint() : "");
  }
}

TEST_P(ExplicitTlsTest, AnotherCertificateThanThePinnedOneIsRefusedWithoutAsking) {
  RealFtpServer other(GetParam(), ServerTls::Explicit);
  ASSERT_TRUE(other.Start()) << other.Error();
  ASSERT_NE(other.CertificateFingerprint(), Server().CertificateFingerprint());
  LoggedOnSession session(Target(Server()), {2, other.CertificateFingerprint()});
  EXPECT_FALSE(session.Ok());
  EXPECT_TRUE(host_.CallsTo("AskCertificateTrust").empty());
  EXPECT_NE(FailureReason().find("another certificate than the one trusted in TLSPIN"), std::string::npos)
      << FailureReason();
  EXPECT_NE(FailureReason().find(Server().CertificateFingerprint()), std::string::npos) << FailureReason();
  EXPECT_FALSE(AnyStartsWith(Log(), "USER "));
}

TEST_P(ExplicitTlsTest, PinWrittenInAnyCaseAndWithoutColonsStillMatches) {
  std::string pin = Server().CertificateFingerprint();
  pin.erase(std::remove(pin.begin(), pin.end(), ':'), pin.end());
  std::transform(pin.begin(), pin.end(), pin.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
  LoggedOnSession session(Target(Server()), {2, pin});
  EXPECT_TRUE(session.Ok()) << FailureReason();
  EXPECT_TRUE(Contains(Log(), "trusted by its fingerprint in TLSPIN"));
}

TEST_P(ExplicitTlsTest, WithoutTlsTheServerRefusesTheLogon) {
  // The profile's default (no TLS) meets a server that requires it: the
  // logon fails as the server says, nothing is taken for success.
  LoggedOnSession session(Target(Server()), {0, ""});
  EXPECT_FALSE(session.Ok());
  EXPECT_FALSE(Sent(Log(), "AUTH TLS"));
}

INSTANTIATE_TEST_SUITE_P(, ExplicitTlsTest, ::testing::Values(ServerKind::Vsftpd, ServerKind::Pyftpdlib),
                         testing::RealServerParamName);

class TlsRequiredTest : public ::testing::Test, protected TlsServerFixture {};

TEST_F(TlsRequiredTest, ImplicitTlsLogsOnAndMovesFilesBothWays) {
  RealFtpServer server(ServerKind::Vsftpd, ServerTls::Implicit);
  ASSERT_TRUE(server.Start()) << server.Error();
  const std::string content = testing::PatternBytes(3, 1024 * 1024 + 17);
  ASSERT_TRUE(server.WriteFile("one.bin", content));
  LoggedOnSession session(Target(server), {3, server.CertificateFingerprint()});
  ASSERT_TRUE(session.Ok()) << FailureReason() << "\n" << server.ServerLog();
  EXPECT_FALSE(Sent(Log(), "AUTH TLS"));
  EXPECT_TRUE(TheSession().DataTls);
  EXPECT_EQ(ReceiveFile(session.Socket(), "RETR one.bin", Local("one.bin"), 'I'), 2);
  EXPECT_EQ(local_.ReadFile("one.bin"), content);
  EXPECT_EQ(SendFile(session.Socket(), "STOR two.bin", Local("one.bin"), 'I'), 2);
  EXPECT_EQ(server.ReadFile("two.bin"), content);
}

TEST_F(TlsRequiredTest, AServerWithoutTlsEndsARequiredLogonBeforeUser) {
  for (ServerKind kind : {ServerKind::Vsftpd, ServerKind::Pyftpdlib}) {
    SCOPED_TRACE(testing::ServerKindName(kind));
    RealFtpServer server(kind, ServerTls::None);
    ASSERT_TRUE(server.Start()) << server.Error();
    host_.Clear();
    ClearFailureReason();
    {
      LoggedOnSession session(Target(server), {2, ""});
      EXPECT_FALSE(session.Ok());
      EXPECT_TRUE(Sent(Log(), "AUTH TLS"));
      EXPECT_FALSE(AnyStartsWith(Log(), "USER ")) << "credentials never go out in clear";
      EXPECT_FALSE(AnyStartsWith(Log(), "PASS "));
      EXPECT_NE(FailureReason().find("does not offer TLS"), std::string::npos) << FailureReason();
    }
    // TLS when offered: the same server takes a plain logon.
    host_.Clear();
    LoggedOnSession plain(Target(server), {1, ""});
    EXPECT_TRUE(plain.Ok()) << FailureReason();
    EXPECT_FALSE(TheSession().ControlTls);
    EXPECT_TRUE(Contains(Log(), "The server does not offer TLS: logging on without it"));
  }
}

TEST_F(TlsRequiredTest, RequiredTlsWithAFirewallMethodIsRefusedBeforeConnecting) {
  testing::ScriptedFtpServer server;  // must see no connection at all
  server.Start();
  for (std::int32_t mode : {2, 3}) {
    SCOPED_TRACE(mode);
    host_.Clear();
    config::WriteSectionString("FIREWALL", "HOST", "127.0.0.1");
    config::WriteSectionString("FIREWALL", "PORT", std::to_string(server.Port()));
    config::SessionProfile& profile = config::CurrentProfile();
    profile = config::SessionProfile{};
    profile.Host = "127.0.0.1";
    profile.User = "anna";
    profile.Password = "pw";
    profile.UseFirewall = 1;
    profile.TlsMode = mode;
    EXPECT_EQ(Logon(profile), -1);
    EXPECT_NE(FailureReason().find("cannot be combined with a firewall method"), std::string::npos)
        << FailureReason();
    EXPECT_EQ(server.ConnectionsAccepted(), 0);
  }
}

}  // namespace
}  // namespace korval::engine
