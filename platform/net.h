#pragma once
// Blocking sockets over POSIX, with the behaviour the engine expects of its
// socket library: every wait runs in short poll() slices, between which the
// calling thread's blocking hook and its timers run, and a wait can be
// cancelled (from the hook, a timer or another thread), failing with 10004.
// Error numbers are the WinSock numbers the message texts are keyed on.

#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korval::platform {

// WinSock-numbered error codes.
constexpr int ErrorInterrupted = 10004;  // a cancelled wait
constexpr int ErrorBadSocket = 10038;
constexpr int ErrorInProgress = 10036;
constexpr int ErrorTimedOut = 10060;
constexpr int ErrorRefused = 10061;
constexpr int ErrorHostNotFound = 11001;
constexpr int ErrorTryAgain = 11002;
constexpr int ErrorNoRecovery = 11003;
constexpr int ErrorNoData = 11004;

// An IPv4 or IPv6 socket address (empty: family 0).
struct SocketAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;

  int Family() const { return storage.ss_family; }
  bool Empty() const { return storage.ss_family == 0; }
  bool IsIpv6() const { return storage.ss_family == AF_INET6; }
  const sockaddr* Raw() const { return reinterpret_cast<const sockaddr*>(&storage); }
  sockaddr* Raw() { return reinterpret_cast<sockaddr*>(&storage); }
  unsigned Port() const;
  void SetPort(unsigned port);
  // "127.0.0.1" or "::1" (empty for no address).
  std::string HostText() const;
  // The host as it stands before ":port": IPv6 addresses in brackets.
  std::string HostTextForPort() const;
  // The same host (IPv4 and its IPv4-mapped IPv6 form count as one).
  bool SameHost(const SocketAddress& other) const;

  static SocketAddress FromRaw(const sockaddr* address, socklen_t length);
  // A numeric address (dotted IPv4 or IPv6, no lookup), with `port`.
  static std::optional<SocketAddress> FromNumeric(std::string_view text, unsigned port);
  // The wildcard address of `family` with port 0 (for listeners).
  static SocketAddress Any(int family);
};

// The addresses `host` resolves to (getaddrinfo, IPv6 and IPv4 in the
// resolver's order, no duplicates), each with `port`. 0, or the resolver's
// error as 11001..11004 (also set as the last error).
int ResolveHost(const std::string& host, unsigned port, std::vector<SocketAddress>& addresses);
// Replaces the resolver behind ResolveHost (for tests; empty: getaddrinfo).
// The replacement fills `addresses` (their ports are set afterwards) and
// returns 0 or an error number.
using HostResolver = std::function<int(const std::string& host, std::vector<SocketAddress>& addresses)>;
void SetHostResolver(HostResolver resolver);

// The calling thread's last socket error (WSAGetLastError).
int LastSocketError();
void SetLastSocketError(int code);
// errno -> WinSock number; unknown values pass through unchanged.
int SocketErrorFromErrno(int errnoValue);
// getaddrinfo/gethostbyname failure -> 11001..11004.
int SocketErrorFromResolver(int resolverError);

// The calling thread's hook, run between wait slices. It returns whether it
// did any work; a worker's hook only checks for cancellation.
using BlockingHookFunction = std::function<bool()>;
void InstallBlockingHook(BlockingHookFunction hook);
// Runs the calling thread's hook once (false when none is installed).
bool RunBlockingHook();

// The calling thread is inside a wait (WSAIsBlocking), also one that runs
// inside another wait's hook.
bool IsBlocking();
// Cancels the calling thread's waits in progress (WSACancelBlockingCall): the
// innermost and every wait around it, which fail with 10004 as they resume.
// The request lasts until the outermost wait has ended.
void CancelBlockingCall();
// The same for every thread (Cancel button, close).
void CancelAllBlockingCalls();

// Length of one wait slice in milliseconds.
constexpr int WaitSliceMs = 25;

enum class WaitFor { Read, Write };

// Waits until `socket` is ready, at most `timeoutMs` (negative: no limit;
// zero: the socket is looked at once).
// Returns 1 when ready, 0 when the time ran out, -1 when cancelled (10004)
// or poll failed. The last error is set for 0 (10004) and -1.
int WaitForSocket(int socket, WaitFor what, int timeoutMs);

// connect() that waits like the others; 0 or -1 with the last error set.
// `timeoutMs` bounds the wait (negative: until the system gives up).
int ConnectWait(int socket, const sockaddr* address, socklen_t length, int timeoutMs);

// accept() that waits without a limit of its own (the caller's timer cancels
// it); the new socket or -1 with the last error set.
int AcceptWait(int socket, sockaddr* address, socklen_t* length);

// One send()/recv() without waiting and without SIGPIPE: the byte count, or -1
// with the last error set (0 from recv is the end of the stream).
ssize_t SendNow(int socket, const void* data, std::size_t length);
ssize_t RecvNow(int socket, void* buffer, std::size_t size, int flags);
// Receives of one data connection, several blocks in one system call
// (recvmmsg) when data are waiting: up to `blocks` receives of at most
// `blockSize` bytes each, placed one after another from `buffer` (room for
// blocks * blockSize). Receive() gives the bytes received; 0 at the end of the
// stream when nothing came before it (an end or an error after some blocks is
// seen by the next call); -1 with the last error set (10035 when nothing is
// there yet).
//
// recvmmsg reports a connection reset before the data that arrived ahead of
// it; those data are still taken, by plain receives, and the reset is
// reported once they are read, as a plain receive would.
class BlockReceiver {
 public:
  explicit BlockReceiver(int socket) : socket_(socket) {}
  ssize_t Receive(char* buffer, std::size_t blockSize, std::size_t blocks);
  int Socket() const { return socket_; }

 private:
  int socket_;
  int deferredError_ = 0;
};

// close() with the last error set on failure; 0 or -1.
int CloseSocket(int socket);
// shutdown() with the last error set on failure; 0 or -1.
int ShutdownSocketDirection(int socket, int how);

}  // namespace korval::platform
