#pragma once
// The firewall shared by every profile: section "FIREWALL" of KORVAL.INI.
// A profile uses it when its FIREWALL switch is on; batch mode, for a host
// that is no profile, takes the switch from key FIREWALL of section "KORVAL".

#include <cstddef>
#include <cstdint>
#include <string>

namespace korval::config {

constexpr std::size_t FirewallFieldCapacity = 79;

struct FirewallSettings {
  std::string Host;             // HOST; empty when the section has none
  std::string User;             // UID
  std::string Password;         // PWD, kept encoded with UID as the user
  bool PasswordStored = false;  // the section holds a PWD
  std::uint32_t Port = 21;      // PORT
  std::int32_t Type = 1;        // FIRETYPE: 0 "SITE hostname", 1 "USER after logon", 2 "USER with no logon", 3 "Proxy OPEN "
};

// Reads the section afresh; `defaultPort` stands for a missing PORT (21 at
// logon, the profile's port in the Advanced dialog).
FirewallSettings LoadFirewallSettings(std::uint32_t defaultPort = 21);

// Writes HOST, UID, FIRETYPE and PORT, and PWD when `savePassword` is set
// (else removes it), as one change of the file.
void SaveFirewallSettings(const FirewallSettings& firewall, bool savePassword);

// The firewall switch of batch transfers to a host that is no profile.
std::int32_t ReadBatchFirewallSwitch();

}  // namespace korval::config
