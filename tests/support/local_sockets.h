#pragma once
// Sockets for tests that play the far end themselves: a connected pair, and a
// loopback port where nothing listens.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace korval::testing {

// A connected pair: the code under test uses Client(), the test plays the
// server.
class SocketPair {
 public:
  SocketPair() { ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds_); }
  ~SocketPair() {
    if (writer_.joinable()) writer_.join();
    CloseServer();
    if (fds_[0] >= 0) ::close(fds_[0]);
  }
  SocketPair(const SocketPair&) = delete;
  SocketPair& operator=(const SocketPair&) = delete;
  int Client() const { return fds_[0]; }
  int Server() const { return fds_[1]; }
  void Write(std::string_view bytes) { (void)!::write(fds_[1], bytes.data(), bytes.size()); }
  // Writes `bytes` after `delayMs` from another thread.
  void WriteLater(std::string bytes, int delayMs) {
    writer_ = std::thread([this, bytes = std::move(bytes), delayMs] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      Write(bytes);
    });
  }
  void CloseServer() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }
  // Everything the client has sent so far.
  std::string ReadSent() {
    std::string sent;
    char buffer[4096];
    for (;;) {
      ssize_t n = ::recv(fds_[1], buffer, sizeof buffer, MSG_DONTWAIT);
      if (n <= 0) break;
      sent.append(buffer, static_cast<std::size_t>(n));
    }
    return sent;
  }

 private:
  int fds_[2] = {-1, -1};
  std::thread writer_;
};

// A port on 127.0.0.1 where nothing listens (bound once, then released).
std::uint16_t RefusedLoopbackPort();

// Whether this machine can bind a socket to ::1 (an IPv6 loopback); tests of
// IPv6 skip, saying so, where it cannot.
bool Ipv6LoopbackUsable();

// A TCP socket bound to `address` ("127.0.0.1", "::1") on `port` (0: one the
// system chooses), listening or only bound: a connect to a port held by a
// socket that does not listen is refused for as long as it is held.
class BoundSocket {
 public:
  enum class Mode { Listening, BoundOnly };
  BoundSocket(const std::string& address, std::uint16_t port, Mode mode);
  ~BoundSocket();
  BoundSocket(const BoundSocket&) = delete;
  BoundSocket& operator=(const BoundSocket&) = delete;
  bool Ok() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  std::uint16_t Port() const { return port_; }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace korval::testing
