#include "platform/tls.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/net.h"

namespace korval::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes a peer may have sent unasked by the time we close (session tickets).
constexpr int UnreadTailLimit = 16384;

SSL* AsSsl(void* ssl) { return static_cast<SSL*>(ssl); }

// The one client context of the process: the system's authorities, TLS 1.2
// at least, partial writes (the data loops resume where a write stopped).
// Verification never aborts a handshake: the caller weighs the result, so a
// certificate the user trusts by its fingerprint can still be used.
SSL_CTX* ClientContext() {
  static SSL_CTX* context = [] {
    SSL_CTX* made = SSL_CTX_new(TLS_client_method());
    if (!made) return made;
    SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(made);
    SSL_CTX_set_verify(made, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_mode(made, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return made;
  }();
  return context;
}

std::mutex contextMutex;

// The socket under a session, read and written by OpenSSL through these
// calls: send() without SIGPIPE (OpenSSL's own socket BIO writes with
// write(), and a server that closes while an alert goes out would end the
// program), and would-block results OpenSSL retries as WANT_READ/WANT_WRITE.
int SocketOf(BIO* bio) { return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio))); }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

int SocketBioWrite(BIO* bio, const char* data, int length) {
  BIO_clear_retry_flags(bio);
  const ssize_t sent = ::send(SocketOf(bio), data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
  if (sent < 0 && WouldBlock(errno)) BIO_set_retry_write(bio);
  return static_cast<int>(sent);
}

int SocketBioRead(BIO* bio, char* buffer, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t received = ::recv(SocketOf(bio), buffer, static_cast<std::size_t>(size), 0);
  if (received < 0 && WouldBlock(errno)) BIO_set_retry_read(bio);
  return static_cast<int>(received);
}

long SocketBioControl(BIO* /*bio*/, int command, long /*number*/, void* /*pointer*/) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO_METHOD* SocketBioMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "korval socket");
    if (!made) return made;
    BIO_meth_set_write(made, SocketBioWrite);
    BIO_meth_set_read(made, SocketBioRead);
    BIO_meth_set_ctrl(made, SocketBioControl);
    return made;
  }();
  return method;
}

BIO* SocketBio(int socket) {
  BIO_METHOD* method = SocketBioMethod();
  BIO* bio = method ? BIO_new(method) : nullptr;
  if (!bio) return nullptr;
  BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket)));
  BIO_set_init(bio, 1);
  return bio;
}

std::string LastOpenSslError() {
  unsigned long code = ERR_peek_last_error();
  if (code == 0) return "TLS protocol failure";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  // "error:0A00010B:SSL routines::wrong version number" -> the reason.
  std::string whole(text);
  const std::size_t last = whole.rfind(':');
  return last == std::string::npos || last + 1 >= whole.size() ? whole : whole.substr(last + 1);
}

std::string NameLine(X509_NAME* name) {
  if (!name) return std::string();
  BIO* memory = BIO_new(BIO_s_mem());
  if (!memory) return std::string();
  X509_NAME_print_ex(memory, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
  char* data = nullptr;
  const long length = BIO_get_mem_data(memory, &data);
  std::string line(data, static_cast<std::size_t>(std::max(length, 0L)));
  BIO_free(memory);
  return line;
}

std::string TimeLine(const ASN1_TIME* time) {
  std::tm parts{};
  if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return std::string();
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
  return text;
}

bool IsAddressLiteral(const std::string& host) {
  unsigned char address[16];
  return ::inet_pton(AF_INET, host.c_str(), address) == 1 || ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

}  // namespace

std::string NormalizedFingerprint(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c == ':' || c == ' ') continue;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return std::string();
    digits.push_back(c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  return digits.size() % 2 == 0 ? digits : std::string();
}

void SetExtraTrustedCertificates(std::string_view pemFile) {
  if (pemFile.empty()) return;
  std::lock_guard<std::mutex> lock(contextMutex);
  SSL_CTX* context = ClientContext();
  if (context) X509_STORE_load_file(SSL_CTX_get_cert_store(context), std::string(pemFile).c_str());
}

TlsResumption::~TlsResumption() {
  if (session_) SSL_SESSION_free(static_cast<SSL_SESSION*>(session_));
}

TlsResumption& TlsResumption::operator=(TlsResumption&& other) noexcept {
  if (this != &other) {
    if (session_) SSL_SESSION_free(static_cast<SSL_SESSION*>(session_));
    session_ = other.session_;
    other.session_ = nullptr;
  }
  return *this;
}

std::unique_ptr<TlsSession> TlsSession::Create(int socket, std::string_view hostText) {
  SSL_CTX* context = ClientContext();
  if (!context) return nullptr;
  SSL* ssl = nullptr;
  {
    std::lock_guard<std::mutex> lock(contextMutex);
    ssl = SSL_new(context);
  }
  if (!ssl) return nullptr;
  std::unique_ptr<TlsSession> session(new TlsSession(socket, ssl));
  const int flags = ::fcntl(socket, F_GETFL, 0);
  if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) return nullptr;
  BIO* bio = SocketBio(socket);
  if (!bio) return nullptr;
  SSL_set_bio(ssl, bio, bio);  // the session owns it now
  const std::string host(hostText);
  if (IsAddressLiteral(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, host.c_str());  // the server picks its certificate by the name
    SSL_set1_host(ssl, host.c_str());
  }
  return session;
}

TlsSession::~TlsSession() { SSL_free(AsSsl(ssl_)); }

void TlsSession::OfferResumption(const TlsResumption& earlier) {
  if (!earlier.Empty()) SSL_set_session(AsSsl(ssl_), static_cast<SSL_SESSION*>(earlier.session_));
}

template <typename Operation>
ssize_t TlsSession::Drive(Operation operation, int timeoutMs, bool mayWait) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    ERR_clear_error();
    errno = 0;
    const int result = operation();
    if (result > 0) return result;
    const int error = SSL_get_error(AsSsl(ssl_), result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
      if (!mayWait) {
        SetLastSocketError(10035);
        return -1;
      }
      const WaitFor what = error == SSL_ERROR_WANT_READ ? WaitFor::Read : WaitFor::Write;
      const int ready = WaitForSocket(socket_, what, timeoutMs < 0 ? -1 : MillisecondsLeft(deadline));
      if (ready <= 0) return -1;  // ran out (10004), cancelled (10004) or poll failed
      continue;
    }
    if (error == SSL_ERROR_ZERO_RETURN) return 0;  // the peer's close_notify
    if (error == SSL_ERROR_SYSCALL && errno != 0) {
      SetLastSocketError(SocketErrorFromErrno(errno));
      return -1;
    }
    // A broken record, a failed handshake, or the stream cut without
    // close_notify (data that may have been truncated).
    const bool cut = error == SSL_ERROR_SYSCALL ||
                     ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
    if (!cut)
      lastFailure_ = LastOpenSslError();
    else if (!SSL_is_init_finished(AsSsl(ssl_)))
      lastFailure_ = "the server closed the connection";
    else
      lastFailure_ = "connection closed without TLS close_notify";
    SetLastSocketError(ErrorTls);
    return -1;
  }
}

int TlsSession::Handshake(int timeoutMs) {
  SSL* ssl = AsSsl(ssl_);
  return Drive([ssl] { return SSL_connect(ssl); }, timeoutMs, true) > 0 ? 0 : -1;
}

bool TlsSession::Resumed() const { return SSL_session_reused(AsSsl(ssl_)) == 1; }

TlsResumption TlsSession::Resumable() const { return TlsResumption(SSL_get1_session(AsSsl(ssl_))); }

CertificateDetails TlsSession::PeerCertificate() const {
  CertificateDetails details;
  X509* certificate = SSL_get1_peer_certificate(AsSsl(ssl_));
  if (!certificate) {
    details.Problem = "the server sent no certificate";
    return details;
  }
  details.Subject = NameLine(X509_get_subject_name(certificate));
  details.Issuer = NameLine(X509_get_issuer_name(certificate));
  details.NotBefore = TimeLine(X509_get0_notBefore(certificate));
  details.NotAfter = TimeLine(X509_get0_notAfter(certificate));
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (X509_digest(certificate, EVP_sha256(), digest, &length) == 1) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (unsigned int i = 0; i < length; ++i) {
      if (i > 0) details.Fingerprint.push_back(':');
      details.Fingerprint.push_back(hex[digest[i] >> 4]);
      details.Fingerprint.push_back(hex[digest[i] & 15]);
    }
  }
  X509_free(certificate);
  const long result = SSL_get_verify_result(AsSsl(ssl_));
  details.Verified = result == X509_V_OK;
  if (!details.Verified) details.Problem = X509_verify_cert_error_string(result);
  return details;
}

std::string TlsSession::Description() const {
  const SSL* ssl = AsSsl(ssl_);
  const char* cipher = SSL_get_cipher_name(ssl);
  return std::string(SSL_get_version(ssl)) + " " + (cipher ? cipher : "");
}

ssize_t TlsSession::Read(void* buffer, std::size_t size, int timeoutMs) {
  SSL* ssl = AsSsl(ssl_);
  const int most = static_cast<int>(std::min<std::size_t>(size, 1 << 30));
  const ssize_t count = Drive([ssl, buffer, most] { return SSL_read(ssl, buffer, most); }, timeoutMs, true);
  if (count > 0) read_ = true;
  return count;
}

ssize_t TlsSession::ReadNow(void* buffer, std::size_t size) {
  SSL* ssl = AsSsl(ssl_);
  char* bytes = static_cast<char*>(buffer);
  std::size_t total = 0;
  // Record after record while they are there; an end or an error after some
  // bytes is seen by the next call.
  while (total < size) {
    const int most = static_cast<int>(std::min<std::size_t>(size - total, 1 << 30));
    char* into = bytes + total;
    const ssize_t count = Drive([ssl, into, most] { return SSL_read(ssl, into, most); }, 0, false);
    if (count <= 0) {
      if (total > 0) break;
      return count;
    }
    total += static_cast<std::size_t>(count);
    read_ = true;
  }
  return static_cast<ssize_t>(total);
}

ssize_t TlsSession::Write(const void* data, std::size_t length, int timeoutMs) {
  SSL* ssl = AsSsl(ssl_);
  const int most = static_cast<int>(std::min<std::size_t>(length, 1 << 30));
  const ssize_t count = Drive([ssl, data, most] { return SSL_write(ssl, data, most); }, timeoutMs, true);
  if (count > 0) wrote_ = true;
  return count;
}

bool TlsSession::HasPending() const { return SSL_pending(AsSsl(ssl_)) > 0; }

bool TlsSession::Close(int uploadWaitMs) {
  if (closed_) return true;
  closed_ = true;
  SSL* ssl = AsSsl(ssl_);
  ERR_clear_error();
  const int sent = SSL_shutdown(ssl);
  if (sent >= 0 && wrote_ && !read_ && uploadWaitMs > 0) {
    // An upload: the server has the last bytes only once it has read our
    // close_notify, and its answer to it says so. Closing before then may
    // reset the connection under data it has not read yet.
    char discarded[4096];
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(uploadWaitMs);
    for (;;) {
      const int left = MillisecondsLeft(deadline);
      if (left <= 0) break;
      if (Drive([ssl, &discarded] { return SSL_read(ssl, discarded, sizeof discarded); }, left, true) <= 0) break;
    }
    ERR_clear_error();
    return true;
  }
  // A few bytes the peer sent that we never read (TLS 1.3 session tickets on
  // a data connection we only wrote to) would turn our close into a reset,
  // which may cost the server the last bytes of an upload: they are read
  // first. More than that is a download given up, whose reset is wanted:
  // it tells the sending server at once (one that finds its window shut
  // against a closed socket may otherwise wait for good).
  int queued = 0;
  if (::ioctl(socket_, FIONREAD, &queued) == 0 && queued > 0 && queued <= UnreadTailLimit) {
    char discarded[UnreadTailLimit];
    [[maybe_unused]] const ssize_t count = ::recv(socket_, discarded, sizeof discarded, MSG_DONTWAIT);
  }
  ERR_clear_error();
  return sent >= 0;
}

}  // namespace korval::platform
