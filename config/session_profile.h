#pragma once
// A session profile: the named connection parameters kept as one section of
// KORVAL.INI. Capacities are usable characters (the original's buffer less
// its terminator).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
  static constexpr std::size_t TlsPinCapacity = 95;  // 32 hex pairs with colons between

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
  // TLSMODE: 0 no TLS, 1 explicit TLS when the server offers it, 2 explicit
  // TLS required, 3 implicit TLS (port 990 unless PORT says otherwise).
  std::int32_t TlsMode = 0;
  std::string TlsPin;            // TLSPIN: SHA-256 fingerprint of a certificate the user trusts
};

// The profile of the connection.
SessionProfile& CurrentProfile();
// The record the Session Profile dialog edits.
SessionProfile& ProfileDialogCopy();

constexpr std::size_t CommentCapacity = 79;        // COMMENT, edited by the profile dialog
constexpr std::size_t RestartValueCapacity = 255;  // REGETRDIR, REGETRFILE, REGETLDIR, REGETLFILE

// The shared firewall section and the section of batch mode's firewall switch.
inline constexpr std::string_view FirewallSection = "FIREWALL";
inline constexpr std::string_view BatchSection = "KORVAL";

// Empties the name, user, password and remote directory and sets host type
// 6000 and time-out 65; the other fields keep their values.
void ResetSessionProfile(SessionProfile& profile);

// Fills `profile` from the section named by its Name, and applies the
// profile's overrides of the program settings. A name without a section gives
// the defaults with Host = Name. An anonymous user without a password is
// asked for the e-mail address (through the host) while none is known.
void LoadSessionProfile(SessionProfile& profile);

// Asks for the e-mail address (the anonymous password) until one is given
// or the user cancels; nothing is asked while one is known.
void AskForMailAddress();

// Rewrites the profile's own keys in its section as one change of the file.
// Defaults (PORT 21, TIMEOUT 65, TYPE 6000, empty texts) are not written (a
// stored one is deleted), and PASVMODE only when it differs from "_config_".
// Every other key of the section stays: COMMENT, the Session Options'
// overrides and an interrupted receive's restart record (the REGET keys,
// dropped only when they name no remote file).
void SaveSessionProfile(const SessionProfile& profile);

// Removes the profile's section.
void DeleteSessionProfile(std::string_view name);

// The section names of the configuration file except "_config_", sorted
// without regard to case; empty when the file cannot be read.
std::vector<std::string> ListSessionProfiles();

}  // namespace korval::config
