#include "tests/support/local_sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace korval::testing {

std::uint16_t RefusedLoopbackPort() {
  int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

bool Ipv6LoopbackUsable() { return BoundSocket("::1", 0, BoundSocket::Mode::BoundOnly).Ok(); }

BoundSocket::BoundSocket(const std::string& address, std::uint16_t port, Mode mode) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (address.find(':') != std::string::npos) {
    auto* six = reinterpret_cast<sockaddr_in6*>(&storage);
    six->sin6_family = AF_INET6;
    six->sin6_port = htons(port);
    if (::inet_pton(AF_INET6, address.c_str(), &six->sin6_addr) != 1) return;
    length = sizeof *six;
  } else {
    auto* four = reinterpret_cast<sockaddr_in*>(&storage);
    four->sin_family = AF_INET;
    four->sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &four->sin_addr) != 1) return;
    length = sizeof *four;
  }
  const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
      (mode == Mode::Listening && ::listen(fd, 8) != 0) ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
  port_ = ntohs(storage.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                                               : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

BoundSocket::~BoundSocket() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace korval::testing
