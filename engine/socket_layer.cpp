#include "engine/socket_layer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "config/session_profile.h"
#include "engine/failure_reason.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "platform/net.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

std::atomic<int> replyReadTimeoutMs{20000};
std::mutex retiredMutex;
std::vector<int> retiredSockets;
std::atomic<int> connectTimeoutMs{60000};

// The sockets TLS is on. An entry remembers its socket's inode, so a number
// closed behind this layer's back and handed to a new socket is never read as
// TLS. A reader holds its own reference: a socket retired while another wait
// of the thread is inside it keeps its session until that wait unwinds.
struct TlsEntry {
  std::shared_ptr<platform::TlsSession> session;
  ino_t inode = 0;
};
std::mutex tlsMutex;
std::map<int, TlsEntry> tlsSockets;
std::atomic<int> tlsSocketCount{0};

ino_t InodeOf(int socket) {
  struct stat info {};
  return ::fstat(socket, &info) == 0 ? info.st_ino : 0;
}

std::shared_ptr<platform::TlsSession> TlsOf(int socket) {
  if (tlsSocketCount.load() == 0 || socket < 0) return nullptr;
  std::lock_guard<std::mutex> lock(tlsMutex);
  auto found = tlsSockets.find(socket);
  if (found == tlsSockets.end()) return nullptr;
  if (InodeOf(socket) != found->second.inode) {
    tlsSockets.erase(found);
    tlsSocketCount = static_cast<int>(tlsSockets.size());
    return nullptr;
  }
  return found->second.session;
}

// Takes TLS off `socket`; with `notifyPeer` the session's close_notify goes out.
void EndTls(int socket, bool notifyPeer) {
  std::shared_ptr<platform::TlsSession> session;
  {
    if (tlsSocketCount.load() == 0) return;
    std::lock_guard<std::mutex> lock(tlsMutex);
    auto found = tlsSockets.find(socket);
    if (found == tlsSockets.end()) return;
    session = std::move(found->second.session);
    tlsSockets.erase(found);
    tlsSocketCount = static_cast<int>(tlsSockets.size());
  }
  // Only when no other wait holds the session: one SSL object is never used
  // by two threads at once (a close from the GUI thread wakes a worker's read).
  if (notifyPeer && session.use_count() == 1) session->Close(ReplyReadTimeoutMs());
}

void ReportTlsFailure(const platform::TlsSession& session, const char* step) {
  const int error = platform::LastSocketError();
  const std::string text = error == platform::ErrorTls ? session.LastFailure() : SocketErrorText(error);
  LogPrintf("%s: %s", step, text.c_str());
  NoteFailureReason(std::string(step) + ": " + text);
}

constexpr std::size_t ErrorTextCapacity = 126;

struct ErrorText {
  int code;
  const char* text;
};

constexpr ErrorText errorTexts[] = {
    {10092, "Winsock version not supported"},
    {10091, "No WinSock present"},
    {10022, "app version not supported by DLL"},
    {11001, "Host not found or server failure"},
    {11002, "Host not found or server failure"},
    {11003, "Non-recoverable: refused or not implemented"},
    {11004, "Valid name, no data record for type"},
    {10093, "WSA Startup not initialized"},
    {10050, "Network subsystem failed"},
    {10036, "Blocking operation in progress"},
    {10004, "Blocking call cancelled"},
    {10047, "address family not supported"},
    {10024, "no file descriptors available"},
    {10055, "no buffer space available"},
    {10043, "specified protocol not supported"},
    {10041, "protocol wrong type for this socket"},
    {10044, "socket type not for address family"},
    {10038, "descriptor is not a socket"},
    {10035, "socket marked as non-blocking and SO_LINGER set not 0"},
    {10048, "address already in use"},
    {10053, "connection aborted"},
    {10054, "connection reset"},
    {10057, "not connected"},
    {10060, "connection timed out"},
    {10061, "connection refused"},
    {10064, "host down"},
    {10065, "host unreachable"},
    {10049, "address not available"},
    {platform::ErrorTls, "TLS protocol failure"},
};

// A dotted address: a digit first, a '.', and a digit right after the first '.'.
bool LooksLikeDottedAddress(std::string_view host) {
  if (host.empty() || !std::isdigit(static_cast<unsigned char>(host.front()))) return false;
  std::size_t dot = host.find('.');
  return dot != std::string_view::npos && dot + 1 < host.size() &&
         std::isdigit(static_cast<unsigned char>(host[dot + 1]));
}

// An IPv6 address written as such ("::1", "[fe80::1]"): used without a lookup.
std::optional<platform::SocketAddress> Ipv6Literal(std::string_view host, unsigned port) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.find(':') == std::string_view::npos) return std::nullopt;
  std::optional<platform::SocketAddress> address = platform::SocketAddress::FromNumeric(host, port);
  if (address && !address->IsIpv6()) return std::nullopt;
  return address;
}

std::optional<platform::SocketAddress> Ipv4FromInetAddr(const std::string& host, unsigned port) {
  const in_addr_t value = ::inet_addr(host.c_str());
  if (value == INADDR_NONE) return std::nullopt;
  sockaddr_in four{};
  four.sin_family = AF_INET;
  four.sin_addr.s_addr = value;
  platform::SocketAddress address = platform::SocketAddress::FromRaw(reinterpret_cast<sockaddr*>(&four), sizeof four);
  address.SetPort(port);
  return address;
}

// The addresses to try for `host`, in order; empty after logging why.
std::vector<platform::SocketAddress> AddressesOf(const std::string& host, unsigned port) {
  std::vector<platform::SocketAddress> addresses;
  if (LooksLikeDottedAddress(host)) {
    if (std::optional<platform::SocketAddress> address = Ipv4FromInetAddr(host, port)) {
      addresses.push_back(*address);
    } else {
      LogPrintf("can't get \"%s\" host entry", host.c_str());
      NoteFailureReason(SocketErrorText(11001));
    }
    return addresses;
  }
  if (std::optional<platform::SocketAddress> address = Ipv6Literal(host, port)) {
    addresses.push_back(*address);
    return addresses;
  }
  if (platform::ResolveHost(host, port, addresses) == 0) return addresses;
  const int error = platform::LastSocketError();
  if (std::optional<platform::SocketAddress> address = Ipv4FromInetAddr(host, port)) {
    addresses.push_back(*address);
    return addresses;
  }
  LogPrintf("can't get \"%s\" host entry", host.c_str());
  NoteFailureReason(SocketErrorText(error));
  platform::SetLastSocketError(error);
  return addresses;
}

bool LookUpProtocol(const std::string& protocol, int& number) {
  protoent entry{};
  protoent* result = nullptr;
  char buffer[1024];
  if (::getprotobyname_r(protocol.c_str(), &entry, buffer, sizeof buffer, &result) == 0 && result) {
    number = result->p_proto;
    return true;
  }
  return false;
}

}  // namespace

int ReplyReadTimeoutMs() { return replyReadTimeoutMs.load(); }
void SetReplyReadTimeoutMs(int milliseconds) { replyReadTimeoutMs = milliseconds; }
int ConnectTimeoutMs() { return connectTimeoutMs.load(); }
void SetConnectTimeoutMs(int milliseconds) { connectTimeoutMs = milliseconds; }

int ConnectToHost(std::string_view hostText, unsigned port, std::string_view protocolText) {
  Session& session = TheSession();
  const std::string host(hostText);
  const std::string protocol(protocolText);
  LogPrintf("- -");
  // A Cancel from here on (during the lookup or an attempt) tries no more addresses.
  const std::uint32_t pressesBefore = session.CancelPresses.load();

  session.ServerAddress = {};
  const std::vector<platform::SocketAddress> addresses = AddressesOf(host, port);
  if (addresses.empty()) return -1;

  int protocolNumber = 0;
  if (!LookUpProtocol(protocol, protocolNumber)) {
    if (!platform::EqualsIgnoreCase(protocol, "TCP")) {
      LogPrintf("can't get \"%s\" protocol entry", protocol.c_str());
      return -1;
    }
    protocolNumber = IPPROTO_TCP;
  }
  const int type = protocol == "udp" ? SOCK_DGRAM : SOCK_STREAM;

  // Every address of the name in turn (IPv6 and IPv4, as the resolver orders
  // them), until one connects; a cancelled wait tries no more.
  int error = 0;
  for (const platform::SocketAddress& address : addresses) {
    session.ServerAddress = address;
    session.DataPeerAddress = address;
    session.DataPeerAddress.SetPort(20);
    int socket = ::socket(address.Family(), type | SOCK_CLOEXEC, protocolNumber);
    if (socket < 0) {
      error = platform::SocketErrorFromErrno(errno);
      LogPrintf("can't create socket - %s", SocketErrorText(error).c_str());
      NoteFailureReason(SocketErrorText(error));
      continue;  // no such family here: the next address may be of the other one
    }
    const std::string shown = address.HostText();
    LogPrintf("connecting to %s ...", shown.c_str());
    if (platform::ConnectWait(socket, address.Raw(), address.length, ConnectTimeoutMs()) == 0) {
      LogPrintf("Connected to %s port %u", shown.c_str(), port);
      return socket;
    }
    error = platform::LastSocketError();
    ::close(socket);  // a socket whose connect failed is of no further use
    LogPrintf("can't connect to %s - %s", host.c_str(), SocketErrorText(error).c_str());
    NoteFailureReason(SocketErrorText(error));
    if (error == platform::ErrorInterrupted || session.CancelPresses.load() != pressesBefore) break;
  }
  platform::SetLastSocketError(error);
  return -1;
}

int StartTls(int socket, std::string_view host, int resumeFrom) {
  std::unique_ptr<platform::TlsSession> session = platform::TlsSession::Create(socket, host);
  if (!session) {
    LogMessage("TLS: cannot set up a TLS session");
    NoteFailureReason("TLS could not be set up");
    return -1;
  }
  if (std::shared_ptr<platform::TlsSession> earlier = TlsOf(resumeFrom))
    session->OfferResumption(earlier->Resumable());
  if (session->Handshake(ReplyReadTimeoutMs()) != 0) {
    ReportTlsFailure(*session, "TLS handshake failed");
    return -1;
  }
  LogPrintf("[%u] TLS on: %s%s", static_cast<unsigned>(socket), session->Description().c_str(),
            session->Resumed() ? ", session reused" : "");
  std::lock_guard<std::mutex> lock(tlsMutex);
  tlsSockets[socket] = TlsEntry{std::shared_ptr<platform::TlsSession>(std::move(session)), InodeOf(socket)};
  tlsSocketCount = static_cast<int>(tlsSockets.size());
  return 0;
}

bool SocketHasTls(int socket) { return TlsOf(socket) != nullptr; }

std::optional<platform::CertificateDetails> PeerCertificateOf(int socket) {
  std::shared_ptr<platform::TlsSession> session = TlsOf(socket);
  if (!session) return std::nullopt;
  return session->PeerCertificate();
}

int WaitReadable(int socket, int timeoutMs) {
  std::shared_ptr<platform::TlsSession> session = TlsOf(socket);
  if (session && session->HasPending()) return 1;
  return platform::WaitForSocket(socket, platform::WaitFor::Read, timeoutMs);
}

ssize_t ReceiveAvailable(int socket, void* buffer, std::size_t size) {
  if (std::shared_ptr<platform::TlsSession> session = TlsOf(socket)) {
    const ssize_t count = session->ReadNow(buffer, size);
    if (count < 0 && platform::LastSocketError() == platform::ErrorTls) ReportTlsFailure(*session, "TLS");
    return count;
  }
  return platform::RecvNow(socket, buffer, size, 0);
}

ssize_t RecvWait(int socket, void* buffer, std::size_t size, int flags, int timeoutMs) {
  if (std::shared_ptr<platform::TlsSession> session = TlsOf(socket)) {
    const ssize_t count = session->Read(buffer, size, timeoutMs);
    if (count < 0 && platform::LastSocketError() == platform::ErrorTls) ReportTlsFailure(*session, "TLS");
    return count;
  }
  int ready = platform::WaitForSocket(socket, platform::WaitFor::Read, timeoutMs);
  if (ready <= 0) return -1;  // the wait set 10004 (or the poll error)
  return platform::RecvNow(socket, buffer, size, flags);
}

ssize_t SendWait(int socket, const void* data, std::size_t length, int timeoutMs) {
  if (std::shared_ptr<platform::TlsSession> session = TlsOf(socket)) {
    const ssize_t count = session->Write(data, length, timeoutMs);
    if (count < 0 && platform::LastSocketError() == platform::ErrorTls) ReportTlsFailure(*session, "TLS");
    return count;
  }
  int ready = platform::WaitForSocket(socket, platform::WaitFor::Write, timeoutMs);
  if (ready <= 0) return -1;
  return platform::SendNow(socket, data, length);
}

std::size_t SendAll(int socket, const void* data, std::size_t length) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t sent = 0;
  while (sent < length) {
    ssize_t count = SendWait(socket, bytes + sent, length - sent, SendTimeoutMs);
    if (count <= 0) {
      if (count < 0 && platform::LastSocketError() == 10035) continue;  // raced: not writable after all
      ReportSocketError("send", platform::LastSocketError());
      break;
    }
    sent += static_cast<std::size_t>(count);
  }
  return sent;
}

ssize_t SendRaw(int socket, const void* data, std::size_t length) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t sent = 0;
  // File data may wait for a slow peer, but not past the network time-out.
  const std::uint32_t seconds = config::CurrentProfile().Timeout;
  const int stallLimitMs = seconds == 0 ? -1 : static_cast<int>(std::min<std::uint32_t>(seconds, 86400)) * 1000;
  const bool tls = SocketHasTls(socket);
  while (sent < length) {
    // Straight in while the socket buffer has room; wait only when it is full
    // (TLS writes wait inside, for as long).
    ssize_t count = tls ? SendWait(socket, bytes + sent, length - sent, stallLimitMs)
                        : platform::SendNow(socket, bytes + sent, length - sent);
    if (count < 0 && platform::LastSocketError() == 10035)
      count = SendWait(socket, bytes + sent, length - sent, stallLimitMs);
    if (count < 0 && platform::LastSocketError() == 10035) continue;
    if (count <= 0) {
      ReportSocketError("send", platform::LastSocketError());
      return -1;
    }
    sent += static_cast<std::size_t>(count);
  }
  return static_cast<ssize_t>(sent);
}

int AbandonSocket(int socket) {
  if (socket == -1) return -1;
  EndTls(socket, true);  // close_notify: an upload's end is told, not guessed from the closed stream
  if (platform::CloseSocket(socket) == 0) LogPrintf("[%u] Socket closed.", static_cast<unsigned>(socket));
  return -1;
}

int ShutdownSocket(int socket) {
  int result = socket;
  if (socket != -1) {
    TheSession().CancelRequested = true;
    EndTls(socket, true);
    bool gone = false;
    // Both directions: a thread still waiting on this socket wakes up at once.
    if (platform::ShutdownSocketDirection(socket, SHUT_RDWR) != 0) {
      int error = platform::LastSocketError();
      if (error == platform::ErrorBadSocket || error == 10009) gone = true;
    }
    if (gone) {
      LogPrintf("[%u] Socket closed.", static_cast<unsigned>(socket));
      result = -1;
    } else if (platform::CloseSocket(socket) == 0) {
      LogPrintf("[%u] Socket closed.", static_cast<unsigned>(socket));
      result = -1;
    } else {
      int error = platform::LastSocketError();
      if (error == platform::ErrorBadSocket || error == 10009)
        result = -1;
      else
        ReportSocketError("closesocket", error);
    }
  }
  if (result != -1) LogPrintf("[%u] Failed to close socket.", static_cast<unsigned>(result));
  return result;
}

int RetireSocket(int socket) {
  if (socket == -1) return -1;
  TheSession().CancelRequested = true;
  EndTls(socket, false);  // a wait still inside keeps the session until it unwinds
  platform::ShutdownSocketDirection(socket, SHUT_RDWR);
  LogPrintf("[%u] Socket closed.", static_cast<unsigned>(socket));
  std::lock_guard<std::mutex> lock(retiredMutex);
  retiredSockets.push_back(socket);
  return -1;
}

void CloseRetiredSockets() {
  std::lock_guard<std::mutex> lock(retiredMutex);
  for (int socket : retiredSockets) platform::CloseSocket(socket);
  retiredSockets.clear();
}

std::string SocketErrorText(int code) {
  for (const ErrorText& entry : errorTexts)
    if (entry.code == code) return platform::TruncateTo(entry.text, ErrorTextCapacity);
  return platform::FormatTruncated(ErrorTextCapacity, "error %u", static_cast<unsigned>(code));
}

void ReportSocketError(std::string_view name, int code) {
  std::string text = SocketErrorText(code);
  if (!name.empty()) text = std::string(name) + ": " + text;
  LogMessage(text);
  NoteFailureReason(text);
}

void InstallBlockingHook(bool (*dispatchOne)()) {
  platform::InstallBlockingHook([dispatchOne]() { return dispatchOne ? dispatchOne() : false; });
}

}  // namespace korval::engine
