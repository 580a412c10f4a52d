#pragma once
// An engine logged on to a server, for tests of what runs over a connection:
// the engine's process-wide state is reset first, the profile is filled from
// the target, Logon runs, and the connection is closed again at the end.
//
//   korval::testing::EngineState state;          // fresh records, restored afterwards
//   korval::testing::LoggedOnSession session({"127.0.0.1", server.Port(), "anna", "secret", true});
//   ASSERT_TRUE(session.Ok());
//   engine::ReceiveFile(session.Socket(), "RETR a.txt", path, 'I');

#include <cstdint>
#include <string>

namespace korval::testing {

// Resets the session, command engine, message log, settings, profiles and
// transfer records, and sets every time-out back to its normal length; the
// destructor does it again.
class EngineState {
 public:
  EngineState();
  ~EngineState();
  EngineState(const EngineState&) = delete;
  EngineState& operator=(const EngineState&) = delete;
};

struct LogonTarget {
  std::string host = "127.0.0.1";
  std::uint16_t port = 21;
  std::string user;
  std::string password;
  bool passive = true;
};

// The profile's TLS keys for the logon.
struct LogonTls {
  std::int32_t mode = 0;  // TLSMODE
  std::string pin;        // TLSPIN
};

class LoggedOnSession {
 public:
  explicit LoggedOnSession(const LogonTarget& target, const LogonTls& tls = {});
  ~LoggedOnSession();
  LoggedOnSession(const LoggedOnSession&) = delete;
  LoggedOnSession& operator=(const LoggedOnSession&) = delete;

  bool Ok() const { return socket_ >= 0; }
  int Socket() const { return socket_; }

 private:
  int socket_ = -1;
};

}  // namespace korval::testing
