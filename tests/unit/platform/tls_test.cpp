// The TLS session over one socket: bytes both ways through the handshake,
// what the certificate shows and why it does or does not verify, waits that
// run out or are cancelled like plain ones, and the two ways a stream ends.

#include "platform/tls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/net.h"
#include "tests/support/local_sockets.h"
#include "tests/support/temporary_directory.h"
#include "tests/support/tls_certificates.h"

namespace korval::platform {
namespace {

using testing::CertificateRequest;
using testing::SocketPair;
using testing::TlsTestServer;

std::string Pattern(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xff);
  return bytes;
}

TEST(NormalizedFingerprintTest, SpellingsOfOneFingerprint) {
  struct Case {
    const char* text;
    const char* normalized;
  } cases[] = {
      {"AB:cd:01", "ABCD01"}, {"abcd01", "ABCD01"}, {"AB CD 01", "ABCD01"}, {"", ""},
      {"AB:CD:0", ""},          // an odd digit count is no fingerprint
      {"AB:CG", ""},            // not hex
      {"sha256=AB", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizedFingerprint(c.text), c.normalized) << c.text;
}

TEST(TlsSessionTest, BytesGoBothWaysAndCloseNotifyEndsTheStream) {
  SocketPair pair;
  testing::TestCertificate certificate = testing::MakeSelfSigned(CertificateRequest{});
  ASSERT_TRUE(certificate.Valid());
  TlsTestServer server(pair.Server(), certificate, true);
  std::unique_ptr<TlsSession> session = TlsSession::Create(pair.Client(), "localhost");
  ASSERT_NE(session, nullptr);
  ASSERT_EQ(session->Handshake(5000), 0) << session->LastFailure();
  EXPECT_NE(session->Description().find("TLSv1.3"), std::string::npos) << session->Description();

  // Written in pieces and read back as they come: every byte in order.
  const std::string sent = Pattern(1024 * 1024 + 333);
  std::string echoed;
  std::vector<char> buffer(100000);
  for (std::size_t at = 0; at < sent.size();) {
    const std::size_t piece = std::min<std::size_t>(50000, sent.size() - at);
    for (std::size_t written = 0; written < piece;) {
      const ssize_t count = session->Write(sent.data() + at + written, piece - written, 5000);
      ASSERT_GT(count, 0);
      written += static_cast<std::size_t>(count);
    }
    at += piece;
    while (echoed.size() < at) {
      ssize_t count = session->ReadNow(buffer.data(), buffer.size());
      if (count < 0) {
        ASSERT_EQ(LastSocketError(), 10035);
        count = session->Read(buffer.data(), buffer.size(), 5000);
      }
      ASSERT_GT(count, 0);
      echoed.append(buffer.data(), static_cast<std::size_t>(count));
    }
  }
  EXPECT_EQ(echoed, sent);
  EXPECT_FALSE(session->HasPending());

  // Our close_notify: the server sees the end of the stream, not a cut.
  EXPECT_TRUE(session->Close());
  for (int i = 0; i < 200 && !server.ClosedCleanly(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  server.Stop();
  EXPECT_TRUE(server.ClosedCleanly());
  EXPECT_EQ(server.BytesRead(), sent.size());
}

TEST(TlsSessionTest, AStreamCutWithoutCloseNotifyIsAnError) {
  SocketPair pair;
  testing::TestCertificate certificate = testing::MakeSelfSigned(CertificateRequest{});
  TlsTestServer server(pair.Server(), certificate, false);
  std::unique_ptr<TlsSession> session = TlsSession::Create(pair.Client(), "localhost");
  ASSERT_EQ(session->Handshake(5000), 0) << session->LastFailure();
  server.Stop();  // shuts the socket down under the TLS session
  char byte;
  EXPECT_EQ(session->Read(&byte, 1, 5000), -1);
  EXPECT_EQ(LastSocketError(), ErrorTls);
  EXPECT_EQ(session->LastFailure(), "connection closed without TLS close_notify");
}

TEST(TlsSessionTest, CertificateDetailsAndWhyTheyDoNotVerify) {
  testing::TemporaryDirectory directory;
  testing::TestAuthority authority(directory.Path());
  SetExtraTrustedCertificates(authority.PemFile().string());
  struct Case {
    const char* name;
    bool byAuthority;
    CertificateRequest request;
    const char* host;
    bool verified;
    const char* problem;
  } cases[] = {
      {"self-signed", false, {}, "localhost", false, "self-signed certificate"},
      {"the authority's, for the name", true, {}, "localhost", true, ""},
      {"the authority's, for another name", true, {}, "ftp.example.org", false, "hostname mismatch"},
      {"the authority's, for the address", true, {"server", {"IP:127.0.0.1"}}, "127.0.0.1", true, ""},
      {"the authority's, for another address", true, {"server", {"IP:127.0.0.1"}}, "127.0.0.2", false,
       "IP address mismatch"},
      {"expired", true, {"localhost", {"DNS:localhost"}, -7200, 3600}, "localhost", false,
       "certificate has expired"},
      {"not yet valid", true, {"localhost", {"DNS:localhost"}, 3600, 7200}, "localhost", false,
       "certificate is not yet valid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SocketPair pair;
    testing::TestCertificate certificate = c.byAuthority ? authority.Issue(c.request) : testing::MakeSelfSigned(c.request);
    ASSERT_TRUE(certificate.Valid());
    TlsTestServer server(pair.Server(), certificate, true);
    std::unique_ptr<TlsSession> session = TlsSession::Create(pair.Client(), c.host);
    ASSERT_EQ(session->Handshake(5000), 0) << session->LastFailure();
    const CertificateDetails details = session->PeerCertificate();
    EXPECT_EQ(details.Verified, c.verified);
    EXPECT_EQ(details.Problem, c.problem);
    EXPECT_EQ(details.Fingerprint, certificate.Fingerprint());
    EXPECT_EQ(details.Fingerprint.size(), 95u);
    EXPECT_EQ(details.Subject, "CN=" + c.request.commonName);
    EXPECT_EQ(details.Issuer, c.byAuthority ? "CN=korval test authority" : "CN=" + c.request.commonName);
    EXPECT_EQ(details.NotBefore.size(), 23u) << details.NotBefore;  // "2026-12-11 15:40:46 UTC"
    EXPECT_LT(details.NotBefore, details.NotAfter);
    session->Close();
  }
}

TEST(TlsSessionTest, AHandshakeWaitRunsOutOrIsCancelledLikeAPlainOne) {
  // The far end never answers the client's hello.
  {
    SocketPair pair;
    std::unique_ptr<TlsSession> session = TlsSession::Create(pair.Client(), "localhost");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session->Handshake(150), -1);
    EXPECT_EQ(LastSocketError(), ErrorInterrupted);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
  }
  {
    SocketPair pair;
    std::unique_ptr<TlsSession> session = TlsSession::Create(pair.Client(), "localhost");
    std::thread canceller([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      CancelAllBlockingCalls();
    });
    EXPECT_EQ(session->Handshake(-1), -1);
    EXPECT_EQ(LastSocketError(), ErrorInterrupted);
    canceller.join();
  }
}

TEST(TlsSessionTest, AReadWaitRunsOutAndAReadThatMustNotWaitSaysSo) {
  SocketPair pair;
  testing::TestCertificate certificate = testing::MakeSelfSigned(CertificateRequest{});
  TlsTestServer server(pair.Server(), certificate, true);
  std::unique_ptr<TlsSession> session = TlsSession::Create(pair.Client(), "localhost");
  ASSERT_EQ(session->Handshake(5000), 0);
  char buffer[64];
  EXPECT_EQ(session->ReadNow(buffer, sizeof buffer), -1);
  EXPECT_EQ(LastSocketError(), 10035);
  EXPECT_EQ(session->Read(buffer, sizeof buffer, 100), -1);
  EXPECT_EQ(LastSocketError(), ErrorInterrupted);
  session->Close();
}

TEST(TlsSessionTest, APlainServerFailsTheHandshakeWithTheReason) {
  SocketPair pair;
  pair.Write("220 plain FTP greeting, no TLS here\r\n");
  std::unique_ptr<TlsSession> session = TlsSession::Create(pair.Client(), "localhost");
  EXPECT_EQ(session->Handshake(2000), -1);
  EXPECT_EQ(LastSocketError(), ErrorTls);
  EXPECT_EQ(session->LastFailure(), "wrong version number");
}

}  // namespace
}  // namespace korval::platform
