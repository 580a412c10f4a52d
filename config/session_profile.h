#pragma once
// A session profile: the named connection parameters kept as one section of
// KORVAL.INI. Capacities are usable characters (the original's buffer less
// its terminator).

#include <cstddef>
#include <cstdint>
#include <string>

namespace korval::config {

struct SessionProfile {
  static constexpr std::size_t NameCapacity = 79;
  static constexpr std::size_t HostCapacity = 79;
  static constexpr std::size_t UserCapacity = 79;
  static constexpr std::size_t PasswordCapacity = 79;
  static constexpr std::size_t AccountCapacity = 79;
  static constexpr std::size_t DirCapacity = 143;
  static constexpr std::size_t InitCommandCapacity = 79;
  static constexpr std::size_t MaskCapacity = 19;

  std::string Name;              // the section name
  std::string Host;              // HOST
  std::string User;              // UID; "anonymous" means anonymous logon
  std::string Password;          // PWD, encoded in the file, clear here
  std::string Account;           // ACT
  std::string InitialRemoteDir;  // DIR
  std::string LocalDir;          // LOCDIR; "origdir" is the start-up directory
  std::string InitCommand;       // INITCMD
  std::string LocalMask;         // LMASK
  std::string RemoteMask;        // RMASK
  std::uint32_t Timeout = 65;    // TIMEOUT, seconds
  std::uint32_t HostType = 6000; // TYPE; 6000 is automatic detection
  std::uint32_t Port = 21;       // PORT
  std::int32_t FirewallType = 0; // FIRETYPE, 0-3
  std::int32_t Retries = 0;      // RETRIES: extra attempts after a failed connect
  std::int32_t SavePassword = 0; // the password is written on save
  std::int32_t Passive = 0;      // PASVMODE
  std::int32_t UseFirewall = 0;  // FIREWALL
};

// The profile of the connection.
SessionProfile& CurrentProfile();
// The record the Session Profile dialog edits.
SessionProfile& ProfileDialogCopy();

}  // namespace korval::config
