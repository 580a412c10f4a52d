#include "platform/net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/timer.h"

namespace korval::platform {

namespace {

// Waits nest: a wait started from the hook of another wait (the GUI thread
// handling a click while it waits) runs inside the outer one. A cancel
// request reaches every wait the thread has in progress and stays until the
// outermost of them has ended; only a new outermost wait starts afresh.
struct ThreadWaitState {
  std::atomic<int> depth{0};  // changed only by its own thread
  std::atomic<bool> cancelRequested{false};
};

std::mutex registryMutex;
std::set<ThreadWaitState*> registry;  // every thread that has waited

struct ThreadWaitRegistration {
  ThreadWaitState state;
  ThreadWaitRegistration() {
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.insert(&state);
  }
  ~ThreadWaitRegistration() {
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(&state);
  }
};

ThreadWaitState& ThisThread() {
  thread_local ThreadWaitRegistration registration;
  return registration.state;
}

thread_local int lastSocketError = 0;
std::mutex resolverMutex;
HostResolver replacedResolver;

int SystemResolve(const std::string& host, std::vector<SocketAddress>& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result != 0 || !found) return SocketErrorFromResolver(result == 0 ? EAI_NONAME : result);
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
    addresses.push_back(SocketAddress::FromRaw(entry->ai_addr, entry->ai_addrlen));
  }
  ::freeaddrinfo(found);
  return addresses.empty() ? ErrorNoData : 0;
}
thread_local BlockingHookFunction threadHook;

// Marks the calling thread as blocking for the life of one wait.
class BlockingScope {
 public:
  BlockingScope() : state_(ThisThread()) {
    // Cleared before the depth rises, so a cancel from another thread that
    // sees the wait is never lost.
    if (state_.depth.load() == 0) state_.cancelRequested = false;
    ++state_.depth;
  }
  ~BlockingScope() { --state_.depth; }
  bool Cancelled() const { return state_.cancelRequested.load(); }

 private:
  ThreadWaitState& state_;
};

}  // namespace

unsigned SocketAddress::Port() const {
  if (Family() == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
  if (Family() == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port);
  return 0;
}

void SocketAddress::SetPort(unsigned port) {
  const auto network = htons(static_cast<std::uint16_t>(port));
  if (Family() == AF_INET) reinterpret_cast<sockaddr_in*>(&storage)->sin_port = network;
  if (Family() == AF_INET6) reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = network;
}

std::string SocketAddress::HostText() const {
  char text[INET6_ADDRSTRLEN] = {};
  if (Family() == AF_INET)
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr, text, sizeof text);
  else if (Family() == AF_INET6)
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr, text, sizeof text);
  return text;
}

std::string SocketAddress::HostTextForPort() const { return IsIpv6() ? "[" + HostText() + "]" : HostText(); }

namespace {

// The IPv4 address of an IPv4 or IPv4-mapped IPv6 address.
std::optional<in_addr_t> Ipv4Of(const SocketAddress& address) {
  if (address.Family() == AF_INET) return reinterpret_cast<const sockaddr_in*>(&address.storage)->sin_addr.s_addr;
  if (address.Family() == AF_INET6) {
    const in6_addr& six = reinterpret_cast<const sockaddr_in6*>(&address.storage)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&six)) {
      in_addr_t four;
      std::memcpy(&four, six.s6_addr + 12, sizeof four);
      return four;
    }
  }
  return std::nullopt;
}

}  // namespace

bool SocketAddress::SameHost(const SocketAddress& other) const {
  const std::optional<in_addr_t> mine = Ipv4Of(*this), theirs = Ipv4Of(other);
  if (mine || theirs) return mine && theirs && *mine == *theirs;
  if (!IsIpv6() || !other.IsIpv6()) return false;
  const auto* a = reinterpret_cast<const sockaddr_in6*>(&storage);
  const auto* b = reinterpret_cast<const sockaddr_in6*>(&other.storage);
  return std::memcmp(&a->sin6_addr, &b->sin6_addr, sizeof a->sin6_addr) == 0;
}

SocketAddress SocketAddress::FromRaw(const sockaddr* address, socklen_t length) {
  SocketAddress result;
  if (!address || length <= 0) return result;
  result.length = std::min<socklen_t>(length, sizeof result.storage);
  std::memcpy(&result.storage, address, result.length);
  return result;
}

std::optional<SocketAddress> SocketAddress::FromNumeric(std::string_view text, unsigned port) {
  const std::string host(text);
  SocketAddress result;
  sockaddr_in four{};
  sockaddr_in6 six{};
  if (::inet_pton(AF_INET, host.c_str(), &four.sin_addr) == 1) {
    four.sin_family = AF_INET;
    result = FromRaw(reinterpret_cast<sockaddr*>(&four), sizeof four);
  } else if (::inet_pton(AF_INET6, host.c_str(), &six.sin6_addr) == 1) {
    six.sin6_family = AF_INET6;
    result = FromRaw(reinterpret_cast<sockaddr*>(&six), sizeof six);
  } else {
    return std::nullopt;
  }
  result.SetPort(port);
  return result;
}

SocketAddress SocketAddress::Any(int family) {
  if (family == AF_INET6) {
    sockaddr_in6 six{};
    six.sin6_family = AF_INET6;
    six.sin6_addr = in6addr_any;
    return FromRaw(reinterpret_cast<sockaddr*>(&six), sizeof six);
  }
  sockaddr_in four{};
  four.sin_family = AF_INET;
  four.sin_addr.s_addr = htonl(INADDR_ANY);
  return FromRaw(reinterpret_cast<sockaddr*>(&four), sizeof four);
}

int ResolveHost(const std::string& host, unsigned port, std::vector<SocketAddress>& addresses) {
  HostResolver resolver;
  {
    std::lock_guard<std::mutex> lock(resolverMutex);
    resolver = replacedResolver;
  }
  std::vector<SocketAddress> found;
  const int result = resolver ? resolver(host, found) : SystemResolve(host, found);
  if (result != 0) {
    SetLastSocketError(result);
    return result;
  }
  // A name listed once per socket type or twice in the hosts file is one address.
  for (SocketAddress& address : found) {
    address.SetPort(port);
    bool seen = false;
    for (const SocketAddress& kept : addresses)
      seen = seen || (kept.Family() == address.Family() && kept.SameHost(address));
    if (!seen) addresses.push_back(address);
  }
  if (addresses.empty()) {
    SetLastSocketError(ErrorNoData);
    return ErrorNoData;
  }
  return 0;
}

void SetHostResolver(HostResolver resolver) {
  std::lock_guard<std::mutex> lock(resolverMutex);
  replacedResolver = std::move(resolver);
}

int LastSocketError() { return lastSocketError; }
void SetLastSocketError(int code) { lastSocketError = code; }

int SocketErrorFromErrno(int errnoValue) {
  switch (errnoValue) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case EPIPE:
    case ECONNRESET: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    default: return errnoValue;
  }
}

int SocketErrorFromResolver(int resolverError) {
  switch (resolverError) {
    case EAI_NONAME: return ErrorHostNotFound;
    case EAI_AGAIN: return ErrorTryAgain;
    case EAI_FAIL: return ErrorNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA: return ErrorNoData;
#endif
    case EAI_ADDRFAMILY: return ErrorNoData;
    default: return ErrorNoRecovery;
  }
}

void InstallBlockingHook(BlockingHookFunction hook) { threadHook = std::move(hook); }

bool RunBlockingHook() { return threadHook ? threadHook() : false; }

bool IsBlocking() { return ThisThread().depth.load() > 0; }

void CancelBlockingCall() {
  ThreadWaitState& state = ThisThread();
  if (state.depth.load() > 0) state.cancelRequested = true;
}

void CancelAllBlockingCalls() {
  std::lock_guard<std::mutex> lock(registryMutex);
  for (ThreadWaitState* state : registry)
    if (state->depth.load() > 0) state->cancelRequested = true;
}

int WaitForSocket(int socket, WaitFor what, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  BlockingScope scope;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  pollfd descriptor{socket, static_cast<short>(what == WaitFor::Read ? POLLIN : POLLOUT), 0};
  // A time-out of zero still looks at the socket once.
  for (bool polled = false;; polled = true) {
    if (scope.Cancelled()) {
      SetLastSocketError(ErrorInterrupted);
      return -1;
    }
    int slice = WaitSliceMs;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0 && polled) {
        SetLastSocketError(ErrorInterrupted);
        return 0;
      }
      slice = static_cast<int>(std::clamp<long long>(left, 0, slice));
    }
    descriptor.revents = 0;
    int ready = ::poll(&descriptor, 1, slice);
    if (ready > 0) {
      if (descriptor.revents & POLLNVAL) {
        SetLastSocketError(ErrorBadSocket);
        return -1;
      }
      return 1;  // readable, writable, or an error/hang-up the next call reports
    }
    if (ready < 0 && errno != EINTR) {
      SetLastSocketError(SocketErrorFromErrno(errno));
      return -1;
    }
    // Between slices: the thread's hook (the GUI's events) and its timers.
    RunBlockingHook();
    DispatchDueTimers();
  }
}

int ConnectWait(int socket, const sockaddr* address, socklen_t length, int timeoutMs) {
  int flags = ::fcntl(socket, F_GETFL, 0);
  if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) {
    SetLastSocketError(SocketErrorFromErrno(errno));
    return -1;
  }
  int result = ::connect(socket, address, length);
  int error = result == 0 ? 0 : errno;
  if (result != 0 && error == EINPROGRESS) {
    int ready = WaitForSocket(socket, WaitFor::Write, timeoutMs);
    if (ready == 0) {
      error = ETIMEDOUT;
    } else if (ready < 0) {
      ::fcntl(socket, F_SETFL, flags);
      return -1;  // cancelled or poll failed: the wait set the error
    } else {
      socklen_t errorLength = sizeof error;
      if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &errorLength) != 0) error = errno;
    }
  }
  ::fcntl(socket, F_SETFL, flags);
  if (error != 0) {
    SetLastSocketError(SocketErrorFromErrno(error));
    return -1;
  }
  return 0;
}

int AcceptWait(int socket, sockaddr* address, socklen_t* length) {
  for (;;) {
    int ready = WaitForSocket(socket, WaitFor::Read, -1);
    if (ready < 0) return -1;
    int accepted = ::accept4(socket, address, length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (accepted >= 0) {
      // The engine's sockets are blocking; every wait goes through poll.
      int flags = ::fcntl(accepted, F_GETFL, 0);
      ::fcntl(accepted, F_SETFL, flags & ~O_NONBLOCK);
      return accepted;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED) continue;
    SetLastSocketError(SocketErrorFromErrno(errno));
    return -1;
  }
}

ssize_t SendNow(int socket, const void* data, std::size_t length) {
  ssize_t sent;
  do {
    sent = ::send(socket, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) SetLastSocketError(SocketErrorFromErrno(errno));
  return sent;
}

ssize_t RecvNow(int socket, void* buffer, std::size_t size, int flags) {
  ssize_t received;
  do {
    received = ::recv(socket, buffer, size, flags | MSG_DONTWAIT);
  } while (received < 0 && errno == EINTR);
  if (received < 0) SetLastSocketError(SocketErrorFromErrno(errno));
  return received;
}

ssize_t BlockReceiver::Receive(char* buffer, std::size_t blockSize, std::size_t blocks) {
  if (deferredError_ != 0) {
    const ssize_t queued = RecvNow(socket_, buffer, blockSize, 0);
    if (queued > 0) return queued;
    SetLastSocketError(deferredError_);
    return -1;
  }
  constexpr std::size_t MostBlocks = 64;
  blocks = std::clamp<std::size_t>(blocks, 1, MostBlocks);
  std::array<iovec, MostBlocks> vectors{};
  std::array<mmsghdr, MostBlocks> headers{};
  for (std::size_t i = 0; i < blocks; ++i) {
    vectors[i] = iovec{buffer + i * blockSize, blockSize};
    headers[i].msg_hdr.msg_iov = &vectors[i];
    headers[i].msg_hdr.msg_iovlen = 1;
  }
  int received;
  do {
    received = ::recvmmsg(socket_, headers.data(), static_cast<unsigned>(blocks), MSG_DONTWAIT, nullptr);
  } while (received < 0 && errno == EINTR);
  if (received < 0) {
    const int error = SocketErrorFromErrno(errno);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      SetLastSocketError(error);
      return -1;
    }
    deferredError_ = error;
    return Receive(buffer, blockSize, blocks);
  }
  // A block may come short while more data arrive for the next one: close
  // such gaps so the bytes stay in order without holes.
  std::size_t total = 0;
  for (int i = 0; i < received; ++i) {
    const std::size_t length = headers[static_cast<std::size_t>(i)].msg_len;
    if (length == 0) break;  // the end of the stream
    char* at = buffer + static_cast<std::size_t>(i) * blockSize;
    if (at != buffer + total) std::memmove(buffer + total, at, length);
    total += length;
  }
  return static_cast<ssize_t>(total);
}

int CloseSocket(int socket) {
  if (::close(socket) != 0) {
    SetLastSocketError(SocketErrorFromErrno(errno));
    return -1;
  }
  return 0;
}

int ShutdownSocketDirection(int socket, int how) {
  if (::shutdown(socket, how) != 0) {
    SetLastSocketError(SocketErrorFromErrno(errno));
    return -1;
  }
  return 0;
}

}  // namespace korval::platform
