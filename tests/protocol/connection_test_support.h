#pragma once
// Shared pieces of the connection tests: a fresh engine state with short
// time-outs, a profile aimed at a scripted server, and log inspection.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/host_type.h"
#include "engine/logon.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/timeout_timer.h"
#include "tests/support/local_sockets.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::testing {

// Resets the engine before and after a test; the waits a test may run into
// are cut to a fraction of a second (replies 400 ms, connects 2 s, timer
// ticks 20 ms, so a TIMEOUT of 65 s lasts 260 ms). KORVAL.INI is a file of
// its own in a temporary directory.
class ConnectionStateGuard {
 public:
  ConnectionStateGuard() {
    Reset();
    config::ProgramFiles().ConfigPath = configDirectory_.FilePath("KORVAL.INI").string();
    engine::SetReplyReadTimeoutMs(400);
    engine::SetConnectTimeoutMs(2000);
    engine::SetTimeoutTickMs(20);
  }
  ~ConnectionStateGuard() {
    engine::Session& session = engine::TheSession();
    for (int* socket : {&session.DataSocket, &session.ListenSocket, &session.ControlSocket})
      if (*socket != -1) *socket = engine::AbandonSocket(*socket);
    Reset();
    engine::SetReplyReadTimeoutMs(20000);
    engine::SetConnectTimeoutMs(60000);
    engine::SetTimeoutTickMs(5000);
    config::ProgramFiles() = config::ProgramFilePaths{};
  }
  ConnectionStateGuard(const ConnectionStateGuard&) = delete;
  ConnectionStateGuard& operator=(const ConnectionStateGuard&) = delete;

 private:
  TemporaryDirectory configDirectory_;

  static void Reset() {
    engine::ResetSession();
    engine::ResetCommandEngine();
    engine::ResetMessageLog();
    config::ResetProgramSettings();
    config::Settings().Verbose = 1;  // the "[" lines are part of what the tests check
    config::CurrentProfile() = config::SessionProfile{};
    config::ProfileDialogCopy() = config::SessionProfile{};
    engine::TheConnectionHooks() = engine::ConnectionHooks{};
  }
};

// A profile for user "anna", password "secret", on `server`.
inline config::SessionProfile ProfileFor(const ScriptedFtpServer& server) {
  config::SessionProfile profile;
  profile.Name = "scripted";
  profile.Host = server.Address();
  profile.Port = server.Port();
  profile.User = "anna";
  profile.Password = "secret";
  return profile;
}

// Starts `server` (its script already built) and logs on to it as "anna" on a
// UNIX host; `adjust` may change the profile first. The control socket, made
// the session's too, or -1.
inline int StartAndLogOnToUnixHost(ScriptedFtpServer& server,
                                   const std::function<void(config::SessionProfile&)>& adjust = {}) {
  server.Start();
  config::SessionProfile& profile = config::CurrentProfile();
  profile = ProfileFor(server);
  profile.HostType = engine::HostTypeNumber(engine::HostType::Unix);
  if (adjust) adjust(profile);
  const int socket = engine::Logon(profile);
  if (socket != -1) engine::TheSession().ControlSocket = socket;
  return socket;
}

inline bool Logged(const ScriptedHost& host, std::string_view line) {
  for (const std::string& logged : host.LogWindowLines())
    if (logged == line) return true;
  return false;
}

inline int CountLogged(const ScriptedHost& host, std::string_view line) {
  int count = 0;
  for (const std::string& logged : host.LogWindowLines())
    if (logged == line) ++count;
  return count;
}

inline bool LoggedContaining(const ScriptedHost& host, std::string_view part) {
  for (const std::string& logged : host.LogWindowLines())
    if (logged.find(part) != std::string::npos) return true;
  return false;
}

// A test against a scripted server whose script begins with the greeting
// and the logon of "anna" ("220 Welcome", USER, "230 Logged in") on a server
// that does not know FEAT; the control socket is closed at the end.
class ScriptedLogonTest : public ::testing::Test {
 protected:
  explicit ScriptedLogonTest(std::uint32_t defaultHostType) : defaultHostType_(defaultHostType) {}
  ~ScriptedLogonTest() override {
    if (socket != -1) ::close(socket);
  }

  // Starts the server with the logon in front of `steps` and logs on, the
  // profile's TYPE being `hostType` (the fixture's default when 0).
  void LogOnWith(const std::function<void(ScriptedFtpServer&)>& steps, std::uint32_t hostType = 0) {
    server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
    steps(server);
    server.Start();
    config::SessionProfile& profile = config::CurrentProfile();
    profile = ProfileFor(server);
    profile.HostType = hostType != 0 ? hostType : defaultHostType_;
    socket = engine::Logon(profile);
    ASSERT_NE(socket, -1);
  }

  // The commands the client sent after USER and FEAT.
  std::vector<std::string> CommandsAfterLogon() {
    std::vector<std::string> commands = server.Transcript();
    commands.erase(commands.begin(), commands.begin() + std::min<std::size_t>(2, commands.size()));
    return commands;
  }

  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;
  int socket = -1;

 private:
  std::uint32_t defaultHostType_;
};

}  // namespace korval::testing
