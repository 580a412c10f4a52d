#pragma once
// Helpers for engine unit tests: a connected socket pair whose far end the
// test writes, and a host that records the message log.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "platform/host.h"

namespace korval::testing {

class LogRecorder : public platform::Host {
 public:
  LogRecorder() { platform::SetHost(this); }
  ~LogRecorder() override { platform::SetHost(nullptr); }
  void AppendToLogWindow(std::string_view line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.emplace_back(line);
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  bool Contains(std::string_view line) {
    for (const std::string& l : Lines())
      if (l == line) return true;
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A fresh engine state for each test, restored afterwards.
class EngineStateGuard {
 public:
  EngineStateGuard() { Reset(); }
  ~EngineStateGuard() {
    Reset();
    engine::SetReplyReadTimeoutMs(20000);
  }

 private:
  static void Reset() {
    engine::ResetSession();
    engine::ResetCommandEngine();
    engine::ResetMessageLog();
    config::Settings().Verbose = 0;
    config::CurrentProfile() = config::SessionProfile{};
  }
};

// A connected pair: the engine uses Client(), the test plays the server.
class SocketPair {
 public:
  SocketPair() { ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds_); }
  ~SocketPair() {
    if (writer_.joinable()) writer_.join();
    CloseServer();
    if (fds_[0] >= 0) ::close(fds_[0]);
  }
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
  // Everything the engine has sent so far.
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

}  // namespace korval::testing
