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
#include "tests/support/local_sockets.h"

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

}  // namespace korval::testing
