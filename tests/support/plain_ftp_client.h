#pragma once
// A minimal FTP client over plain POSIX sockets, for testing the fixtures
// themselves (and for tests that must talk to a server without the engine).
// Every read is bounded by a time-out; nothing here blocks for ever.
//
//   korval::testing::PlainFtpClient client;
//   ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
//   EXPECT_EQ(client.ReadReply().code, 220);
//   EXPECT_EQ(client.Command("USER anna").code, 331);
//   korval::testing::UniqueFd data = client.OpenPassive();   // sends PASV
//   client.SendLine("LIST");
//   std::string listing = korval::testing::ReadUntilClosed(data.Get());

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace korval::testing {

using namespace std::chrono_literals;

// A file descriptor closed by its destructor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// A TCP connection to `address`:`port` (dotted IPv4), or an invalid fd.
UniqueFd ConnectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout = 5s);
// A listening TCP socket on `address` and a free port (backlog 1).
UniqueFd ListenTcp(const std::string& address, std::uint16_t* port);
// Accepts one connection within `timeout`, or an invalid fd.
UniqueFd AcceptTcp(int listener, std::chrono::milliseconds timeout = 5s);
// Sends all of `bytes`; false on failure.
bool SendAllBytes(int fd, std::string_view bytes);
// Reads until the peer closes or `timeout` passes without any byte arriving.
std::string ReadUntilClosed(int fd, std::chrono::milliseconds timeout = 5s);
// Reads what arrives within `timeout` (at least one read is awaited).
std::string ReadAvailable(int fd, std::chrono::milliseconds timeout);
// True when the peer closed the connection (end of stream seen) within `timeout`;
// bytes that arrive meanwhile are discarded.
bool WaitForPeerClose(int fd, std::chrono::milliseconds timeout = 5s);

// The address and port of a 227 reply: the six numbers behind "(", or behind
// the code when there is no parenthesis.
struct PassiveAddress {
  std::string address;
  std::uint16_t port = 0;
};
std::optional<PassiveAddress> ParsePassiveReply(std::string_view reply);

struct PlainReply {
  int code = 0;       // 0: no complete reply (closed or timed out)
  std::string text;   // every line of the reply, each ending in "\n", CR removed
};

class PlainFtpClient {
 public:
  bool Connect(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout = 5s);
  bool Connected() const { return control_.Valid(); }
  int ControlFd() const { return control_.Get(); }
  void Close() { control_.Reset(); buffered_.clear(); }

  // Sends `line` with CR LF.
  bool SendLine(std::string_view line);
  // One raw line including its CR LF (or what came before the close/time-out).
  std::string ReadLine(std::chrono::milliseconds timeout = 5s);
  // One complete reply, multi-line replies included.
  PlainReply ReadReply(std::chrono::milliseconds timeout = 5s);
  // SendLine + ReadReply.
  PlainReply Command(std::string_view line, std::chrono::milliseconds timeout = 5s);

  // Sends PASV, parses the 227 reply and connects to the address it names.
  UniqueFd OpenPassive(std::chrono::milliseconds timeout = 5s);
  // Listens on the control connection's local address, sends PORT for it and
  // returns the listener (accept with AcceptTcp after the transfer command).
  UniqueFd OpenActive(std::chrono::milliseconds timeout = 5s);

  // Logs on with USER and PASS; true when the server answered 230.
  bool Logon(std::string_view user, std::string_view password);

 private:
  UniqueFd control_;
  std::string buffered_;
};

}  // namespace korval::testing
