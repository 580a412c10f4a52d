#include "tests/support/tls_certificates.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace korval::testing {

namespace {

X509* AsX509(void* p) { return static_cast<X509*>(p); }
EVP_PKEY* AsKey(void* p) { return static_cast<EVP_PKEY*>(p); }

void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  if (X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str())) {
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
  }
}

// A certificate for `request`, signed by `issuerKey` under `issuer` (itself
// when both are null), marked as an authority when `authority`.
TestCertificate Make(const CertificateRequest& request, X509* issuer, EVP_PKEY* issuerKey, bool authority) {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  if (!key || !certificate) {
    EVP_PKEY_free(key);
    X509_free(certificate);
    return TestCertificate();
  }
  static std::atomic<long> serial{1};
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial++);
  X509_gmtime_adj(X509_getm_notBefore(certificate), request.validFromSeconds);
  X509_gmtime_adj(X509_getm_notAfter(certificate), request.validFromSeconds + request.validForSeconds);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(request.commonName.c_str()),
                             -1, -1, 0);
  X509_set_issuer_name(certificate, issuer ? X509_get_subject_name(issuer) : name);
  X509* signer = issuer ? issuer : certificate;
  if (authority) {
    AddExtension(certificate, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExtension(certificate, signer, NID_basic_constraints, "CA:FALSE");
  }
  AddExtension(certificate, signer, NID_subject_key_identifier, "hash");
  if (!request.alternativeNames.empty()) {
    std::string names;
    for (const std::string& entry : request.alternativeNames) names += (names.empty() ? "" : ",") + entry;
    AddExtension(certificate, signer, NID_subject_alt_name, names);
  }
  X509_sign(certificate, issuerKey ? issuerKey : key, EVP_sha256());
  return TestCertificate(certificate, key);
}

}  // namespace

TestCertificate::TestCertificate(void* certificate, void* key) : certificate_(certificate), key_(key) {}

TestCertificate::~TestCertificate() {
  X509_free(AsX509(certificate_));
  EVP_PKEY_free(AsKey(key_));
}

TestCertificate::TestCertificate(TestCertificate&& other) noexcept
    : certificate_(other.certificate_), key_(other.key_) {
  other.certificate_ = other.key_ = nullptr;
}

TestCertificate& TestCertificate::operator=(TestCertificate&& other) noexcept {
  if (this != &other) {
    X509_free(AsX509(certificate_));
    EVP_PKEY_free(AsKey(key_));
    certificate_ = other.certificate_;
    key_ = other.key_;
    other.certificate_ = other.key_ = nullptr;
  }
  return *this;
}

std::string TestCertificate::Fingerprint() const {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!certificate_ || X509_digest(AsX509(certificate_), EVP_sha256(), digest, &length) != 1) return std::string();
  std::string text;
  char pair[4];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : ":%02X", digest[i]);
    text += pair;
  }
  return text;
}

bool TestCertificate::WritePem(const std::filesystem::path& file) const {
  FILE* out = std::fopen(file.c_str(), "w");
  if (!out) return false;
  const bool written = PEM_write_X509(out, AsX509(certificate_)) == 1;
  return std::fclose(out) == 0 && written;
}

TestCertificate MakeSelfSigned(const CertificateRequest& request) { return Make(request, nullptr, nullptr, false); }

TestAuthority::TestAuthority(const std::filesystem::path& directory)
    : root_(Make(CertificateRequest{"korval test authority", {}, -86400, 10 * 86400}, nullptr, nullptr, true)),
      pemFile_(directory / "authority.pem") {
  root_.WritePem(pemFile_);
}

TestCertificate TestAuthority::Issue(const CertificateRequest& request) const {
  return Make(request, AsX509(root_.Certificate()), AsKey(root_.Key()), false);
}

struct TlsTestServer::State {
  int socket = -1;
  SSL_CTX* context = nullptr;
  std::atomic<std::size_t> bytesRead{0};
  std::atomic<bool> closedCleanly{false};
  std::atomic<bool> handshakeDone{false};
  std::mutex mutex;
  std::condition_variable stopped;
  bool stop = false;
};

TlsTestServer::TlsTestServer(int socket, const TestCertificate& certificate, bool echo)
    : state_(std::make_shared<State>()) {
  state_->socket = socket;
  state_->context = SSL_CTX_new(TLS_server_method());
  SSL_CTX_use_certificate(state_->context, AsX509(certificate.Certificate()));
  SSL_CTX_use_PrivateKey(state_->context, AsKey(certificate.Key()));
  thread_ = std::thread([state = state_, echo] {
    // A client gone first makes OpenSSL's write() raise SIGPIPE: kept on
    // this thread, where it is dropped when the thread ends.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    SSL* ssl = SSL_new(state->context);
    SSL_set_fd(ssl, state->socket);
    if (SSL_accept(ssl) == 1) {
      state->handshakeDone = true;
      if (echo) {
        char buffer[16384];
        for (;;) {
          const int count = SSL_read(ssl, buffer, sizeof buffer);
          if (count <= 0) {
            if (SSL_get_error(ssl, count) == SSL_ERROR_ZERO_RETURN) {
              state->closedCleanly = true;
              SSL_shutdown(ssl);
            }
            break;
          }
          state->bytesRead += static_cast<std::size_t>(count);
          if (SSL_write(ssl, buffer, count) != count) break;
        }
      } else {
        std::unique_lock<std::mutex> lock(state->mutex);
        state->stopped.wait(lock, [&] { return state->stop; });
      }
    }
    SSL_free(ssl);
    ERR_clear_error();
  });
}

TlsTestServer::~TlsTestServer() {
  Stop();
  SSL_CTX_free(state_->context);
}

void TlsTestServer::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stop = true;
  }
  state_->stopped.notify_all();
  ::shutdown(state_->socket, SHUT_RDWR);
  thread_.join();
}

std::size_t TlsTestServer::BytesRead() const { return state_->bytesRead; }
bool TlsTestServer::ClosedCleanly() const { return state_->closedCleanly; }
bool TlsTestServer::HandshakeDone() const { return state_->handshakeDone; }

}  // namespace korval::testing
