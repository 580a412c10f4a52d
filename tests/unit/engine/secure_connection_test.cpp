// How a certificate is weighed against what the user trusts, what a TLSMODE
// number means, and TLS behind the socket layer: the engine's reads, writes
// and closes go through it, and a socket number used again is never taken
// for the TLS socket it once was.

#include "engine/secure_connection.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/socket_layer.h"
#include "engine_test_support.h"
#include "platform/net.h"
#include "tests/support/tls_certificates.h"

namespace korval::engine {
namespace {

using testing::EngineStateGuard;
using testing::SocketPair;

constexpr const char* Fingerprint = "AB:CD:EF:01";

platform::CertificateDetails Details(bool verified) {
  platform::CertificateDetails details;
  details.Fingerprint = Fingerprint;
  details.Verified = verified;
  details.Problem = verified ? "" : "self-signed certificate";
  return details;
}

TEST(WeighCertificateTest, PinsRunTrustAndVerification) {
  struct Case {
    const char* name;
    bool verified;
    const char* storedPin;
    const char* runPin;
    CertificateVerdict verdict;
  } cases[] = {
      {"verified, nothing pinned", true, "", "", CertificateVerdict::Verified},
      {"unverified, nothing pinned", false, "", "", CertificateVerdict::Unverified},
      {"unverified, pinned", false, Fingerprint, "", CertificateVerdict::TrustedByPin},
      {"pinned in another spelling", false, "abcdef01", "", CertificateVerdict::TrustedByPin},
      {"pinned to another", false, "AB:CD:EF:02", "", CertificateVerdict::PinMismatch},
      {"verified but pinned to another", true, "AB:CD:EF:02", "", CertificateVerdict::PinMismatch},
      {"a pin that is no fingerprint", false, "not hex", "", CertificateVerdict::PinMismatch},
      {"-t names it", false, "", "ab:cd:ef:01", CertificateVerdict::TrustedForRun},
      {"-t names it, TLSPIN another", false, "AB:CD:EF:02", Fingerprint, CertificateVerdict::TrustedForRun},
      {"-t names another", false, "", "AB:CD:EF:02", CertificateVerdict::Unverified},
      {"-t names another, verified", true, "", "AB:CD:EF:02", CertificateVerdict::Verified},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WeighCertificate(Details(c.verified), c.storedPin, c.runPin), c.verdict) << c.name;
  // A certificate without a fingerprint matches no pin at all.
  platform::CertificateDetails none;
  EXPECT_EQ(WeighCertificate(none, "", ""), CertificateVerdict::Unverified);
  EXPECT_EQ(WeighCertificate(none, "", "AB"), CertificateVerdict::Unverified);
  EXPECT_EQ(WeighCertificate(none, "AB", ""), CertificateVerdict::PinMismatch);
}

TEST(TlsModeTest, NumbersAndWhatTheyRequire) {
  struct Case {
    std::int32_t number;
    TlsMode mode;
    bool required;
  } cases[] = {
      {0, TlsMode::None, false},           {1, TlsMode::ExplicitWhenOffered, false},
      {2, TlsMode::ExplicitRequired, true}, {3, TlsMode::Implicit, true},
      {4, TlsMode::ExplicitRequired, true}, {-1, TlsMode::ExplicitRequired, true},
  };
  for (const Case& c : cases) {
    config::SessionProfile profile;
    profile.TlsMode = c.number;
    EXPECT_EQ(TlsModeOf(profile), c.mode) << c.number;
    EXPECT_EQ(TlsRequired(TlsModeOf(profile)), c.required) << c.number;
  }
}

TEST(TlsSocketLayerTest, EngineReadsAndWritesGoThroughTlsAndTheCloseNotifies) {
  EngineStateGuard state;
  SocketPair pair;
  testing::TestCertificate certificate = testing::MakeSelfSigned({});
  testing::TlsTestServer server(pair.Server(), certificate, true);
  const int socket = ::dup(pair.Client());  // the engine's to close; the pair closes its own
  ASSERT_EQ(StartTls(socket, "localhost", -1), 0);
  EXPECT_TRUE(SocketHasTls(socket));
  EXPECT_FALSE(SocketHasTls(pair.Server()));
  std::optional<platform::CertificateDetails> details = PeerCertificateOf(socket);
  ASSERT_TRUE(details.has_value());
  EXPECT_EQ(details->Fingerprint, certificate.Fingerprint());
  EXPECT_FALSE(PeerCertificateOf(pair.Server()).has_value());

  const std::string line = "NOOP\r\n";
  EXPECT_EQ(SendAll(socket, line.data(), line.size()), line.size());
  std::string echoed;
  char buffer[64];
  while (echoed.size() < line.size()) {
    ASSERT_EQ(WaitReadable(socket, 5000), 1);
    const ssize_t count = RecvWait(socket, buffer, sizeof buffer, 0, 5000);
    ASSERT_GT(count, 0);
    echoed.append(buffer, static_cast<std::size_t>(count));
  }
  EXPECT_EQ(echoed, line);
  EXPECT_EQ(ReceiveAvailable(socket, buffer, sizeof buffer), -1);
  EXPECT_EQ(platform::LastSocketError(), 10035);

  // The orderly close tells the server: a close_notify, not a cut stream.
  EXPECT_EQ(ShutdownSocket(socket), -1);
  EXPECT_FALSE(SocketHasTls(socket));
  for (int i = 0; i < 200 && !server.ClosedCleanly(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(server.ClosedCleanly());
}

TEST(TlsSocketLayerTest, ANumberUsedAgainByAPlainSocketIsPlain) {
  EngineStateGuard state;
  int reused = -1;
  {
    SocketPair pair;
    testing::TestCertificate certificate = testing::MakeSelfSigned({});
    testing::TlsTestServer server(pair.Server(), certificate, true);
    ASSERT_EQ(StartTls(pair.Client(), "localhost", -1), 0);
    reused = pair.Client();
    server.Stop();
  }  // closed behind the socket layer's back
  SocketPair plain;
  ASSERT_TRUE(plain.Client() == reused || plain.Server() == reused) << "the test needs the number handed out again";
  const int socket = plain.Client() == reused ? plain.Client() : plain.Server();
  const int other = socket == plain.Client() ? plain.Server() : plain.Client();
  EXPECT_FALSE(SocketHasTls(socket));
  ASSERT_EQ(::write(other, "220 x\r\n", 7), 7);
  char buffer[16];
  EXPECT_EQ(RecvWait(socket, buffer, sizeof buffer, 0, 1000), 7);
}

}  // namespace
}  // namespace korval::engine
