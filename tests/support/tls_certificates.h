#pragma once
// Certificates for TLS tests, made in the process with OpenSSL (EC keys, so
// making one takes no noticeable time), and a TLS server on one socket of a
// pair. A certificate is self-signed, or signed by a test authority whose
// PEM file the client can be told to trust.
//
//   korval::testing::TestAuthority authority(directory.Path());
//   korval::testing::TestCertificate leaf = authority.Issue({"localhost", "IP:127.0.0.1"});
//   korval::testing::TlsEchoServer server(pair.Server(), leaf);   // accepts, echoes
//   platform::SetExtraTrustedCertificates(authority.PemFile());

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace korval::testing {

struct CertificateRequest {
  std::string commonName = "localhost";
  // "DNS:name" or "IP:address" entries of subjectAltName.
  std::vector<std::string> alternativeNames = {"DNS:localhost"};
  long validFromSeconds = -3600;  // relative to now
  long validForSeconds = 86400;
};

// A certificate and its key (OpenSSL objects behind the pointers).
class TestCertificate {
 public:
  TestCertificate() = default;
  TestCertificate(void* certificate, void* key);
  ~TestCertificate();
  TestCertificate(TestCertificate&& other) noexcept;
  TestCertificate& operator=(TestCertificate&& other) noexcept;
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;

  bool Valid() const { return certificate_ && key_; }
  void* Certificate() const { return certificate_; }  // X509
  void* Key() const { return key_; }                  // EVP_PKEY
  // The SHA-256 fingerprint as openssl x509 -fingerprint prints it.
  std::string Fingerprint() const;
  bool WritePem(const std::filesystem::path& file) const;

 private:
  void* certificate_ = nullptr;
  void* key_ = nullptr;
};

TestCertificate MakeSelfSigned(const CertificateRequest& request);

class TestAuthority {
 public:
  explicit TestAuthority(const std::filesystem::path& directory);
  // Its certificate as a PEM file, for SetExtraTrustedCertificates.
  const std::filesystem::path& PemFile() const { return pemFile_; }
  TestCertificate Issue(const CertificateRequest& request) const;

 private:
  TestCertificate root_;
  std::filesystem::path pemFile_;
};

// A TLS server on `socket` (a blocking socket the test owns) on a thread of
// its own. With `echo` it sends back everything it reads until the client's
// close_notify, then answers with its own; without, it only completes the
// handshake and waits for the test's Stop (which cuts the stream without a
// close_notify). BytesRead() and ClosedCleanly() tell what it saw.
class TlsTestServer {
 public:
  TlsTestServer(int socket, const TestCertificate& certificate, bool echo);
  ~TlsTestServer();
  TlsTestServer(const TlsTestServer&) = delete;
  TlsTestServer& operator=(const TlsTestServer&) = delete;
  // Ends the thread: shuts the socket down (no close_notify) and joins.
  void Stop();
  std::size_t BytesRead() const;
  bool ClosedCleanly() const;
  bool HandshakeDone() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace korval::testing
