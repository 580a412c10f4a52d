#pragma once
// Real FTP servers for integration tests: vsftpd and pyftpdlib, each started
// by the fixture on 127.0.0.1 with a port and a small passive range of its
// own, serving a fresh temporary directory with write access to one user.
// Several servers (in one test program or in parallel test programs) run at
// once without colliding: each holds a block of ports, locked across
// processes, for its lifetime.
//
// The destructor kills the server, reaps it (and, for vsftpd, every session
// process it forked) and removes the directory. A server that cannot be
// started is a test failure with the reason, never a skip:
//
//   korval::testing::RealFtpServer server(korval::testing::ServerKind::Vsftpd);
//   ASSERT_TRUE(server.Start()) << server.Error();
//   server.WriteFile("a.txt", "hello\n");
//   ... log on to server.Host():server.Port() as server.User()/server.Password() ...
//   EXPECT_EQ(server.ReadFile("uploaded.bin"), expectedBytes);
//
// The same test against both servers:
//
//   class TransferTest : public korval::testing::RealServerTest {};
//   TEST_P(TransferTest, ListsTheRoot) {
//     Server().WriteFile("a.txt", "x");
//     ... connect to Server().Host(), Server().Port() ...
//   }
//   KORVAL_INSTANTIATE_REAL_SERVER_TESTS(TransferTest);   // TransferTest.ListsTheRoot/Vsftpd, /Pyftpdlib
//
// vsftpd (needs root, as CI is): its logins are system users, so the fixture
// creates the user "korvaltest" (useradd, chpasswd) when it is missing. The
// user is chrooted into the root directory, so PWD answers "/" on both
// servers. ASCII mode moves bytes unchanged on vsftpd and converts line ends
// on pyftpdlib (LF to CR LF when sending, CR LF to LF when receiving).
//
// Create a server on a thread that outlives it: the server process is killed
// when the thread that started it ends (so a crashed test leaves none behind).

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/temporary_directory.h"

namespace korval::testing {

enum class ServerKind { Vsftpd, Pyftpdlib };

// FTP over TLS: none, explicit (AUTH TLS; the server then requires TLS for
// the logon and every data connection, and vsftpd the reuse of the control
// connection's TLS session), or implicit (TLS from the first byte; vsftpd
// only). The server's certificate is self-signed for "localhost" and
// 127.0.0.1, made by openssl for each server, so two servers never share one.
enum class ServerTls { None, Explicit, Implicit };

// The loopback address the server listens on: 127.0.0.1, or ::1 (vsftpd
// with listen_ipv6, pyftpdlib bound to ::1).
enum class ServerFamily { Ipv4, Ipv6 };

// "Vsftpd", "Pyftpdlib": the test-name suffixes.
std::string ServerKindName(ServerKind kind);

class RealFtpServer {
 public:
  explicit RealFtpServer(ServerKind kind, ServerTls tls = ServerTls::None, ServerFamily family = ServerFamily::Ipv4);
  ~RealFtpServer();
  RealFtpServer(const RealFtpServer&) = delete;
  RealFtpServer& operator=(const RealFtpServer&) = delete;

  // Starts the server and waits (a few seconds at most) until it accepts a
  // connection and greets with 220. False with Error() when it cannot.
  bool Start();
  // Kills and reaps the server; the directory stays until destruction.
  void Stop();
  bool Running() const { return pid_ > 0; }
  // The process the fixture started (unshare or setpriv in front of the server itself).
  pid_t ProcessId() const { return pid_; }
  // Why Start() failed, with the server's own output.
  const std::string& Error() const { return error_; }

  ServerKind Kind() const { return kind_; }
  std::string Host() const { return family_ == ServerFamily::Ipv6 ? "::1" : "127.0.0.1"; }
  std::uint16_t Port() const { return port_; }
  std::uint16_t PassivePortMin() const { return passiveMin_; }
  std::uint16_t PassivePortMax() const { return passiveMax_; }
  const std::string& User() const { return user_; }
  const std::string& Password() const { return password_; }
  // The greeting line the server sent to the start-up probe (CR LF removed).
  const std::string& Greeting() const { return greeting_; }

  // The directory the user sees as "/".
  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path PathOf(std::string_view relative) const { return root_ / std::filesystem::path(relative); }
  // Files and directories made here belong to the served user, so the server
  // may change and delete them (files made in Root() by other means belong to
  // the test's user: readable by vsftpd's user, not writable).
  bool WriteFile(std::string_view relative, std::string_view bytes) const;
  bool MakeDirectory(std::string_view relative) const;
  std::optional<std::string> ReadFile(std::string_view relative) const;

  ServerTls Tls() const { return tls_; }
  // The certificate (PEM) and its SHA-256 fingerprint as openssl prints it
  // ("AB:CD:..."); empty without TLS.
  const std::filesystem::path& CertificateFile() const { return certificateFile_; }
  const std::string& CertificateFingerprint() const { return fingerprint_; }

  // What the server wrote to its standard output and error so far.
  std::string ServerLog() const;

 private:
  struct PortBlock;

  bool StartOnce(bool* retry);
  bool PrepareVsftpd(std::string* error);
  bool PreparePyftpdlib(std::string* error);
  bool MakeCertificate(const std::filesystem::path& dir, std::string* error);
  bool Spawn(bool useNamespace, std::string* error);
  bool WaitUntilReady(std::string* error);
  void GiveToServedUser(const std::filesystem::path& path) const;

  ServerKind kind_;
  ServerTls tls_;
  ServerFamily family_;
  std::filesystem::path certificateFile_;
  std::filesystem::path keyFile_;
  std::string fingerprint_;
  std::string user_;
  std::string password_;
  uid_t servedUid_ = static_cast<uid_t>(-1);
  gid_t servedGid_ = static_cast<gid_t>(-1);
  std::unique_ptr<TemporaryDirectory> directory_;
  std::filesystem::path root_;
  std::filesystem::path logFile_;
  std::unique_ptr<PortBlock> ports_;
  std::uint16_t port_ = 0;
  std::uint16_t passiveMin_ = 0;
  std::uint16_t passiveMax_ = 0;
  pid_t pid_ = -1;
  bool inNamespace_ = false;
  std::string greeting_;
  std::string error_;
};

// A value-parameterised fixture base: SetUp starts a server of the kind the
// parameter names and fails the test (with the reason) when it cannot. A
// subclass that overrides SetUp calls RealServerTest::SetUp() first and
// returns when HasFatalFailure().
class RealServerTest : public ::testing::TestWithParam<ServerKind> {
 protected:
  void SetUp() override;
  void TearDown() override;
  RealFtpServer& Server() { return *server_; }

 private:
  std::unique_ptr<RealFtpServer> server_;
};

// Test-name suffix for a ServerKind parameter.
std::string RealServerParamName(const ::testing::TestParamInfo<ServerKind>& info);

}  // namespace korval::testing

// Runs every TEST_P of `suite` (a RealServerTest subclass) against vsftpd and pyftpdlib.
#define KORVAL_INSTANTIATE_REAL_SERVER_TESTS(suite)                                                         \
  INSTANTIATE_TEST_SUITE_P(, suite,                                                                        \
                           ::testing::Values(::korval::testing::ServerKind::Vsftpd,                        \
                                             ::korval::testing::ServerKind::Pyftpdlib),                    \
                           ::korval::testing::RealServerParamName)
