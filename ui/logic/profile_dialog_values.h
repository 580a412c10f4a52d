#pragma once
// The values of the Session Profile and Advanced Profile Parameters dialogs:
// what the fields show when a profile is loaded, what the profile takes when
// the user presses Ok or Save, the numbers' clamps, the anonymous box, the
// reserved names and the firewall section's rules. The dialogs only move
// texts between these records and their widgets.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/firewall_settings.h"
#include "config/session_profile.h"

namespace korval::ui::logic {

// Section names that hold no profile: the program settings, the shared
// firewall and batch mode's switch. Case is ignored.
bool IsReservedProfileName(std::string_view name);
// "<name> is a reserved name; choose another profile name."
std::string ReservedNameMessage(std::string_view name);
// The names the profile list offers: the configuration's sections less the
// firewall's and batch mode's.
std::vector<std::string> OfferedProfileNames(const std::vector<std::string>& sections);

// The 41 entries of the host-type list, in order; entry i carries 6000 + i.
std::vector<std::string> HostTypeListNames();
// The list entry of a host type, the first (automatic) for an unknown one.
int HostTypeListIndex(std::uint32_t hostType);
// The host type an entry carries, 6000 when none is selected (-1).
std::uint32_t HostTypeOfListIndex(int index);

// The texts of the Session Profile dialog's fields as the user left them.
struct ProfileDialogFields {
  std::string Name;
  std::string Host;
  std::string User;
  std::string Password;
  std::string Account;
  std::string RemoteDir;
  std::string LocalDir;
  std::string Comment;
  int HostTypeIndex = -1;  // the selected entry, -1 for none
  bool SavePassword = false;
  bool AutoSave = false;
  bool Anonymous = false;  // box 111; the password shows in clear when set
};

bool IsAnonymousUser(std::string_view user);

// What the fields show for a loaded profile and its COMMENT.
ProfileDialogFields FieldsOfProfile(const config::SessionProfile& profile, std::string_view comment, bool autoSave);

// The profile name the fields give: cut to its capacity, the host when it
// is empty, without leading blanks.
std::string ProfileNameOfFields(std::string_view name, std::string_view host);

// Ok and Save: every field cut to its capacity into `profile` (the
// Advanced dialog's values stay as they are).
void ApplyFieldsToProfile(const ProfileDialogFields& fields, config::SessionProfile& profile);
// The COMMENT to write: cut to its capacity; nullopt (the key is deleted)
// when empty.
std::optional<std::string> CommentToWrite(std::string_view comment);

// The anonymous box: checked gives the user "anonymous", the e-mail address
// as password and no account, shown in clear; unchecked masks the password
// and keeps every text.
void ApplyAnonymousBox(bool checked, std::string_view mailAddress, ProfileDialogFields& fields);

// The entry the profile list selects after the entry at `removedIndex` was
// removed, leaving `remaining` entries: the one now at the same place, else
// the first; -1 when the list is empty.
int IndexAfterRemoval(int removedIndex, int remaining);

// The Advanced Profile Parameters dialog's fields.
struct AdvancedDialogFields {
  std::string Retries;   // the numbers as typed
  std::string Timeout;
  std::string Port;
  std::string InitCommand;
  std::string LocalMask;
  std::string RemoteMask;
  bool Passive = false;
  bool UseFirewall = false;
  std::string FirewallHost;
  std::string FirewallUser;
  std::string FirewallPassword;
  std::string FirewallPort;
  int FirewallType = 1;  // radio 901 + type
  bool SaveFirewallPassword = false;
};

// A number typed in a field: its leading digits after blanks; 0 when there
// are none, the largest value when they overflow.
std::uint32_t DialogNumber(std::string_view text);

// The firewall fields the dialog showed last, kept while the program runs:
// shown again when the section has no HOST.
struct FirewallFieldMemory {
  std::string Host;
  std::string User;
  std::string Password;
  std::string Port;
  bool SavePassword = false;
};
FirewallFieldMemory& LastFirewallFields();

// Opening: the profile's values, and the firewall's from the section when
// it has a HOST (else from `memory`). A profile port below 10 shows 21.
AdvancedDialogFields AdvancedFieldsOnOpening(const config::SessionProfile& profile,
                                             const std::optional<config::FirewallSettings>& section,
                                             const FirewallFieldMemory& memory);

// The firewall fields are enabled exactly when "Use Firewall" is checked.
inline bool FirewallFieldsEnabled(const AdvancedDialogFields& fields) { return fields.UseFirewall; }

// What OK writes to the FIREWALL section; none when the firewall is off,
// which leaves the section as it was.
struct FirewallWrite {
  config::FirewallSettings Settings;
  bool SavePassword = false;
};
// OK: the profile takes the clamped values (Retries at most 20, time-out 0
// -> 65, port below 10 -> 21; with the firewall on, the firewall port, 21
// when below 28, replaces the profile's port too).
std::optional<FirewallWrite> ApplyAdvancedFields(const AdvancedDialogFields& fields, config::SessionProfile& profile);

// The dialog's opening read from the file: FIREWALL's section with the
// profile's (clamped) port as its default PORT, and the memory otherwise.
AdvancedDialogFields LoadAdvancedFields(const config::SessionProfile& profile);
// OK: applies the fields to `profile`, writes the FIREWALL section when the
// firewall is on (and only then) and remembers the firewall fields.
void CommitAdvancedFields(const AdvancedDialogFields& fields, config::SessionProfile& profile);

// Save, and Ok with AUTOSAVE on: the profile's section and its COMMENT
// (deleted when empty). A reserved name writes nothing: false.
bool SaveProfileWithComment(const config::SessionProfile& profile, std::string_view comment);

}  // namespace korval::ui::logic
