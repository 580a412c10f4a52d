#include "tests/support/plain_ftp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <cstdio>
#include <algorithm>
#include <cstring>

namespace korval::testing {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// Waits for `events` on `fd` until `deadline`; true when ready.
bool WaitReady(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    int result = ::poll(&entry, 1, RemainingMs(deadline));
    if (result > 0) return true;
    if (result == 0) return false;
    if (errno != EINTR) return false;
  }
}

bool ParseAddress(const std::string& address, std::uint16_t port, sockaddr_in* out) {
  std::memset(out, 0, sizeof *out);
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  return ::inet_pton(AF_INET, address.c_str(), &out->sin_addr) == 1;
}

}  // namespace

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

UniqueFd ConnectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) {
  // IPv4, or IPv6 ("::1") when the address has a colon.
  sockaddr_storage target{};
  socklen_t targetLength = sizeof(sockaddr_in);
  if (address.find(':') != std::string::npos) {
    auto* six = reinterpret_cast<sockaddr_in6*>(&target);
    six->sin6_family = AF_INET6;
    six->sin6_port = htons(port);
    if (::inet_pton(AF_INET6, address.c_str(), &six->sin6_addr) != 1) return UniqueFd();
    targetLength = sizeof *six;
  } else if (!ParseAddress(address, port, reinterpret_cast<sockaddr_in*>(&target))) {
    return UniqueFd();
  }
  UniqueFd fd(::socket(target.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.Valid()) return UniqueFd();
  const auto deadline = Clock::now() + timeout;
  if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&target), targetLength) != 0) {
    if (errno != EINPROGRESS) return UniqueFd();
    if (!WaitReady(fd.Get(), POLLOUT, deadline)) return UniqueFd();
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return UniqueFd();
  }
  int flags = ::fcntl(fd.Get(), F_GETFL);
  ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  int one = 1;
  ::setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

UniqueFd ListenTcp(const std::string& address, std::uint16_t* port) {
  sockaddr_in local;
  if (!ParseAddress(address, 0, &local)) return UniqueFd();
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return UniqueFd();
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return UniqueFd();
  if (::listen(fd.Get(), 1) != 0) return UniqueFd();
  socklen_t length = sizeof local;
  ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&local), &length);
  if (port != nullptr) *port = ntohs(local.sin_port);
  return fd;
}

UniqueFd AcceptTcp(int listener, std::chrono::milliseconds timeout) {
  if (!WaitReady(listener, POLLIN, Clock::now() + timeout)) return UniqueFd();
  return UniqueFd(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
}

bool SendAllBytes(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::string ReadUntilClosed(int fd, std::chrono::milliseconds timeout) {
  std::string data;
  char buffer[65536];
  for (;;) {
    if (!WaitReady(fd, POLLIN, Clock::now() + timeout)) return data;
    ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return data;
    data.append(buffer, static_cast<std::size_t>(got));
  }
}

std::string ReadAvailable(int fd, std::chrono::milliseconds timeout) {
  std::string data;
  char buffer[65536];
  const auto deadline = Clock::now() + timeout;
  while (WaitReady(fd, POLLIN, deadline)) {
    ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    data.append(buffer, static_cast<std::size_t>(got));
  }
  return data;
}

bool WaitForPeerClose(int fd, std::chrono::milliseconds timeout) {
  char buffer[4096];
  const auto deadline = Clock::now() + timeout;
  while (WaitReady(fd, POLLIN, deadline)) {
    ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
  }
  return false;
}

bool PlainFtpClient::Connect(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) {
  Close();
  control_ = ConnectTcp(address, port, timeout);
  return control_.Valid();
}

bool PlainFtpClient::SendLine(std::string_view line) {
  if (!control_.Valid()) return false;
  std::string withEnd(line);
  withEnd += "\r\n";
  return SendAllBytes(control_.Get(), withEnd);
}

std::string PlainFtpClient::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    std::size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end + 1);
      buffered_.erase(0, end + 1);
      return line;
    }
    if (!control_.Valid() || !WaitReady(control_.Get(), POLLIN, deadline)) break;
    char buffer[4096];
    ssize_t got = ::recv(control_.Get(), buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    buffered_.append(buffer, static_cast<std::size_t>(got));
  }
  std::string rest = std::move(buffered_);
  buffered_.clear();
  return rest;
}

PlainReply PlainFtpClient::ReadReply(std::chrono::milliseconds timeout) {
  PlainReply reply;
  const auto deadline = Clock::now() + timeout;
  std::string firstCode;
  for (;;) {
    std::string line = ReadLine(std::chrono::milliseconds(RemainingMs(deadline)));
    if (line.empty() || line.back() != '\n') {
      reply.text += line;
      reply.code = 0;
      return reply;
    }
    line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    reply.text += line + "\n";
    const bool hasCode = line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                         std::isdigit(static_cast<unsigned char>(line[1])) &&
                         std::isdigit(static_cast<unsigned char>(line[2]));
    if (firstCode.empty()) {
      if (!hasCode) continue;
      firstCode = line.substr(0, 3);
      if (line.size() > 3 && line[3] == '-') continue;
      reply.code = std::stoi(firstCode);
      return reply;
    }
    if (hasCode && line.compare(0, 3, firstCode) == 0 && (line.size() == 3 || line[3] == ' ')) {
      reply.code = std::stoi(firstCode);
      return reply;
    }
  }
}

PlainReply PlainFtpClient::Command(std::string_view line, std::chrono::milliseconds timeout) {
  if (!SendLine(line)) return PlainReply();
  return ReadReply(timeout);
}

std::optional<PassiveAddress> ParsePassiveReply(std::string_view reply) {
  std::size_t start = reply.find('(');
  if (start != std::string_view::npos) {
    ++start;
  } else {
    start = reply.find_first_of("0123456789", std::min<std::size_t>(4, reply.size()));
    if (start == std::string_view::npos) return std::nullopt;
  }
  const std::string numbers(reply.substr(start));
  unsigned h1, h2, h3, h4, p1, p2;
  if (std::sscanf(numbers.c_str(), "%u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) != 6) return std::nullopt;
  if (h1 > 255 || h2 > 255 || h3 > 255 || h4 > 255 || p1 > 255 || p2 > 255) return std::nullopt;
  char address[32];
  std::snprintf(address, sizeof address, "%u.%u.%u.%u", h1, h2, h3, h4);
  return PassiveAddress{address, static_cast<std::uint16_t>(p1 * 256 + p2)};
}

UniqueFd PlainFtpClient::OpenPassive(std::chrono::milliseconds timeout) {
  PlainReply reply = Command("PASV", timeout);
  if (reply.code != 227) return UniqueFd();
  std::optional<PassiveAddress> target = ParsePassiveReply(reply.text);
  if (!target) return UniqueFd();
  return ConnectTcp(target->address, target->port, timeout);
}

UniqueFd PlainFtpClient::OpenActive(std::chrono::milliseconds timeout) {
  sockaddr_in local;
  socklen_t length = sizeof local;
  if (::getsockname(control_.Get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) return UniqueFd();
  char address[INET_ADDRSTRLEN];
  ::inet_ntop(AF_INET, &local.sin_addr, address, sizeof address);
  std::uint16_t port = 0;
  UniqueFd listener = ListenTcp(address, &port);
  if (!listener.Valid()) return UniqueFd();
  unsigned h1, h2, h3, h4;
  std::sscanf(address, "%u.%u.%u.%u", &h1, &h2, &h3, &h4);
  char command[64];
  std::snprintf(command, sizeof command, "PORT %u,%u,%u,%u,%u,%u", h1, h2, h3, h4, port >> 8, port & 0xff);
  if (Command(command, timeout).code != 200) return UniqueFd();
  return listener;
}

bool PlainFtpClient::Logon(std::string_view user, std::string_view password) {
  PlainReply reply = Command("USER " + std::string(user));
  if (reply.code == 331) reply = Command("PASS " + std::string(password));
  return reply.code == 230;
}

}  // namespace korval::testing
