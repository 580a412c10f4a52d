#include "config/firewall_settings.h"

#include "config/config_file.h"
#include "config/password_encoding.h"
#include "config/session_profile.h"
#include "platform/text.h"

namespace korval::config {

FirewallSettings LoadFirewallSettings(std::uint32_t defaultPort) {
  FirewallSettings firewall;
  firewall.Host = ReadSectionString(FirewallSection, "HOST", "", FirewallFieldCapacity);
  firewall.User = ReadSectionString(FirewallSection, "UID", "", FirewallFieldCapacity);
  // Read whole, as profile passwords are: the encoding doubles the length.
  std::string stored = ReadSectionString(FirewallSection, "PWD", "", EncodedPasswordCapacity);
  firewall.PasswordStored = !stored.empty();
  if (firewall.PasswordStored)
    firewall.Password = platform::TruncateTo(DecodePassword(firewall.User, stored), FirewallFieldCapacity);
  firewall.Port = static_cast<std::uint32_t>(ReadSectionNumber(FirewallSection, "PORT", static_cast<std::int32_t>(defaultPort)));
  firewall.Type = ReadSectionNumber(FirewallSection, "FIRETYPE", 1);
  return firewall;
}

void SaveFirewallSettings(const FirewallSettings& firewall, bool savePassword) {
  platform::IniEdit edit = EditConfigFile();
  edit.WriteString(FirewallSection, "HOST", platform::TruncateTo(firewall.Host, FirewallFieldCapacity));
  edit.WriteString(FirewallSection, "UID", platform::TruncateTo(firewall.User, FirewallFieldCapacity));
  if (savePassword)
    edit.WriteString(FirewallSection, "PWD", EncodePassword(firewall.User, firewall.Password));
  else
    edit.DeleteKey(FirewallSection, "PWD");
  edit.WriteString(FirewallSection, "FIRETYPE", std::to_string(static_cast<std::uint32_t>(firewall.Type)));
  edit.WriteString(FirewallSection, "PORT", std::to_string(firewall.Port));
  edit.Commit();
}

std::int32_t ReadBatchFirewallSwitch() { return ReadSectionNumber(BatchSection, "FIREWALL", 0); }

}  // namespace korval::config
