#pragma once
// TLS over one connected socket, as the client (OpenSSL). Every wait goes
// through WaitForSocket, so the blocking hook, the timers and Cancel reach a
// TLS wait exactly as they reach a plain one: the socket is non-blocking, and
// OpenSSL's WANT_READ / WANT_WRITE become poll slices. Results follow the
// socket calls: a byte count, 0 at the end of the stream, or -1 with the last
// socket error set (10004 for a wait that ran out or was cancelled, 10035
// when a call that must not wait found nothing, ErrorTls for a failure of the
// protocol itself, whose words TlsSession::LastFailure() gives).
//
// The session owns the SSL object only, never the descriptor: the socket
// layer closes the socket as before.

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace korval::platform {

// The failure of the TLS protocol (handshake, a bad record, an end without
// close_notify where one is owed).
constexpr int ErrorTls = 12001;

// What the handshake showed of the server's certificate.
struct CertificateDetails {
  std::string Subject;      // one line, "CN=ftp.example.org, O=..."
  std::string Issuer;
  std::string NotBefore;    // "2026-12-11 15:40:46 UTC"
  std::string NotAfter;
  std::string Fingerprint;  // SHA-256 of the DER form, "AB:CD:..." (95 characters)
  // The chain leads to a trusted authority and names the host we dialled.
  bool Verified = false;
  // Why it does not verify ("self-signed certificate", "hostname mismatch"),
  // empty when it does.
  std::string Problem;
};

// "ab cd:EF..." and "ABCDEF..." name the same fingerprint: hex digits only,
// upper case; empty when `text` holds anything but hex digits, colons and
// blanks, or an odd number of digits.
std::string NormalizedFingerprint(std::string_view text);

// The certificates trusted besides the system's store (tests name their own
// authority here); empty for none.
void SetExtraTrustedCertificates(std::string_view pemFile);

// A resumable session of an earlier connection (the control connection's,
// reused by the data connections).
class TlsResumption {
 public:
  TlsResumption() = default;
  ~TlsResumption();
  TlsResumption(TlsResumption&& other) noexcept : session_(other.session_) { other.session_ = nullptr; }
  TlsResumption& operator=(TlsResumption&& other) noexcept;
  TlsResumption(const TlsResumption&) = delete;
  TlsResumption& operator=(const TlsResumption&) = delete;
  bool Empty() const { return session_ == nullptr; }

 private:
  friend class TlsSession;
  explicit TlsResumption(void* session) : session_(session) {}
  void* session_ = nullptr;  // SSL_SESSION, kept out of this header
};

class TlsSession {
 public:
  // A session on `socket` (set non-blocking) for the server named `host`
  // (a name, or an address literal); nullptr when OpenSSL cannot make one.
  static std::unique_ptr<TlsSession> Create(int socket, std::string_view host);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Offers `earlier` for resumption in the next handshake.
  void OfferResumption(const TlsResumption& earlier);
  // The handshake, at most `timeoutMs` (negative: no limit of its own):
  // 0, or -1 with the last error set.
  int Handshake(int timeoutMs);
  // The handshake resumed the offered session.
  bool Resumed() const;
  // The session to offer a later connection to the same server.
  TlsResumption Resumable() const;
  CertificateDetails PeerCertificate() const;
  // "TLSv1.3 TLS_AES_256_GCM_SHA384".
  std::string Description() const;

  // Reads what arrives first, waiting at most `timeoutMs`.
  ssize_t Read(void* buffer, std::size_t size, int timeoutMs);
  // What is there without waiting, up to `size` bytes (several records);
  // -1 with 10035 when nothing is.
  ssize_t ReadNow(void* buffer, std::size_t size);
  // Writes part or all of `data`, waiting at most `timeoutMs` for room.
  ssize_t Write(const void* data, std::size_t length, int timeoutMs);
  // Decrypted bytes wait to be read (the socket may look idle).
  bool HasPending() const;
  // Sends close_notify; false when it could not go out. On a connection we
  // only wrote to (an upload), waits up to `uploadWaitMs` for the peer's
  // close_notify, so the close cannot reset the connection under data the
  // peer has not read yet; otherwise it does not wait.
  bool Close(int uploadWaitMs = 0);

  // The words of the last ErrorTls failure (OpenSSL's reason).
  const std::string& LastFailure() const { return lastFailure_; }
  int Socket() const { return socket_; }

 private:
  TlsSession(int socket, void* ssl) : socket_(socket), ssl_(ssl) {}
  template <typename Operation>
  ssize_t Drive(Operation operation, int timeoutMs, bool mayWait);

  int socket_;
  void* ssl_;  // SSL
  std::string lastFailure_;
  bool closed_ = false;
  bool wrote_ = false;  // application data went out
  bool read_ = false;   // application data came in
};

}  // namespace korval::platform
