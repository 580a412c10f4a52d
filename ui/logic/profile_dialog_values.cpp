#include "ui/logic/profile_dialog_values.h"

#include <algorithm>
#include <limits>

#include "config/config_file.h"
#include "engine/host_type.h"
#include "platform/text.h"

namespace korval::ui::logic {

namespace {

using config::SessionProfile;
using platform::TruncateTo;

constexpr std::uint32_t MaximumRetries = 20;
constexpr std::uint32_t DefaultTimeout = 65;
constexpr std::uint32_t DefaultPort = 21;
constexpr std::uint32_t LowestProfilePort = 10;
constexpr std::uint32_t LowestFirewallPort = 28;

std::string WithoutLeadingBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

}  // namespace

bool IsReservedProfileName(std::string_view name) {
  return platform::EqualsIgnoreCase(name, config::ConfigSection) ||
         platform::EqualsIgnoreCase(name, config::FirewallSection) ||
         platform::EqualsIgnoreCase(name, config::BatchSection);
}

std::string ReservedNameMessage(std::string_view name) {
  return std::string(name) + " is a reserved name; choose another profile name.";
}

std::vector<std::string> OfferedProfileNames(const std::vector<std::string>& sections) {
  std::vector<std::string> names;
  for (const std::string& section : sections)
    if (!IsReservedProfileName(section)) names.push_back(section);
  return names;
}

std::vector<std::string> HostTypeListNames() {
  std::vector<std::string> names;
  for (std::uint32_t type = engine::FirstHostType; type <= engine::LastHostType; ++type)
    names.emplace_back(engine::HostTypeName(type));
  return names;
}

int HostTypeListIndex(std::uint32_t hostType) {
  if (hostType < engine::FirstHostType || hostType > engine::LastHostType) return 0;
  return static_cast<int>(hostType - engine::FirstHostType);
}

std::uint32_t HostTypeOfListIndex(int index) {
  const int count = static_cast<int>(engine::LastHostType - engine::FirstHostType) + 1;
  if (index < 0 || index >= count) return engine::FirstHostType;
  return engine::FirstHostType + static_cast<std::uint32_t>(index);
}

bool IsAnonymousUser(std::string_view user) { return platform::EqualsIgnoreCase(user, "anonymous"); }

ProfileDialogFields FieldsOfProfile(const SessionProfile& profile, std::string_view comment, bool autoSave) {
  ProfileDialogFields fields;
  fields.Name = profile.Name;
  fields.Host = profile.Host;
  fields.User = profile.User;
  fields.Password = profile.Password;
  fields.Account = profile.Account;
  fields.RemoteDir = profile.InitialRemoteDir;
  fields.LocalDir = profile.LocalDir;
  fields.Comment = TruncateTo(comment, config::CommentCapacity);
  fields.HostTypeIndex = HostTypeListIndex(profile.HostType);
  fields.SavePassword = profile.SavePassword != 0;
  fields.AutoSave = autoSave;
  fields.Anonymous = IsAnonymousUser(profile.User);
  return fields;
}

std::string ProfileNameOfFields(std::string_view name, std::string_view host) {
  const std::string typed = TruncateTo(name, SessionProfile::NameCapacity);
  return WithoutLeadingBlanks(typed.empty() ? TruncateTo(host, SessionProfile::HostCapacity) : typed);
}

void ApplyFieldsToProfile(const ProfileDialogFields& fields, SessionProfile& profile) {
  profile.Host = TruncateTo(fields.Host, SessionProfile::HostCapacity);
  profile.Name = ProfileNameOfFields(fields.Name, fields.Host);
  profile.User = TruncateTo(fields.User, SessionProfile::UserCapacity);
  profile.Password = TruncateTo(fields.Password, SessionProfile::PasswordCapacity);
  profile.Account = TruncateTo(fields.Account, SessionProfile::AccountCapacity);
  profile.SavePassword = fields.SavePassword ? 1 : 0;
  profile.HostType = HostTypeOfListIndex(fields.HostTypeIndex);
  profile.InitialRemoteDir = TruncateTo(fields.RemoteDir, SessionProfile::DirCapacity);
  profile.LocalDir = TruncateTo(fields.LocalDir, SessionProfile::DirCapacity);
}

std::optional<std::string> CommentToWrite(std::string_view comment) {
  if (comment.empty()) return std::nullopt;
  return TruncateTo(comment, config::CommentCapacity);
}

void ApplyAnonymousBox(bool checked, std::string_view mailAddress, ProfileDialogFields& fields) {
  fields.Anonymous = checked;
  if (!checked) return;
  fields.User = "anonymous";
  fields.Password = TruncateTo(mailAddress, SessionProfile::PasswordCapacity);
  fields.Account.clear();
}

int IndexAfterRemoval(int removedIndex, int remaining) {
  if (remaining <= 0) return -1;
  return removedIndex >= 0 && removedIndex < remaining ? removedIndex : 0;
}

std::uint32_t DialogNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(value);
}

FirewallFieldMemory& LastFirewallFields() {
  static FirewallFieldMemory memory;
  return memory;
}

AdvancedDialogFields AdvancedFieldsOnOpening(const SessionProfile& profile,
                                             const std::optional<config::FirewallSettings>& section,
                                             const FirewallFieldMemory& memory) {
  AdvancedDialogFields fields;
  fields.Retries = std::to_string(std::max(profile.Retries, 0));
  fields.Timeout = std::to_string(profile.Timeout);
  const std::uint32_t port = profile.Port < LowestProfilePort ? DefaultPort : profile.Port;
  fields.Port = std::to_string(port);
  fields.InitCommand = profile.InitCommand;
  fields.LocalMask = profile.LocalMask;
  fields.RemoteMask = profile.RemoteMask;
  fields.Passive = profile.Passive != 0;
  fields.UseFirewall = profile.UseFirewall != 0;
  if (section && !section->Host.empty()) {
    fields.FirewallHost = section->Host;
    fields.FirewallUser = section->User;
    fields.FirewallPassword = section->Password;
    fields.SaveFirewallPassword = section->PasswordStored;
    fields.FirewallPort = std::to_string(section->Port);
  } else {
    fields.FirewallHost = memory.Host;
    fields.FirewallUser = memory.User;
    fields.FirewallPassword = memory.Password;
    fields.SaveFirewallPassword = memory.SavePassword;
    fields.FirewallPort = memory.Port.empty() ? fields.Port : memory.Port;
  }
  const std::int32_t type = section ? section->Type : 1;
  fields.FirewallType = type >= 0 && type <= 3 ? type : 1;
  return fields;
}

std::optional<FirewallWrite> ApplyAdvancedFields(const AdvancedDialogFields& fields, SessionProfile& profile) {
  profile.Retries = static_cast<std::int32_t>(std::min(DialogNumber(fields.Retries), MaximumRetries));
  const std::uint32_t timeout = DialogNumber(fields.Timeout);
  profile.Timeout = timeout == 0 ? DefaultTimeout : timeout;
  const std::uint32_t port = DialogNumber(fields.Port);
  profile.Port = port < LowestProfilePort ? DefaultPort : port;
  profile.InitCommand = TruncateTo(fields.InitCommand, SessionProfile::InitCommandCapacity);
  profile.LocalMask = TruncateTo(fields.LocalMask, SessionProfile::MaskCapacity);
  profile.RemoteMask = TruncateTo(fields.RemoteMask, SessionProfile::MaskCapacity);
  profile.Passive = fields.Passive ? 1 : 0;
  if (!fields.UseFirewall) {
    profile.UseFirewall = 0;
    return std::nullopt;
  }
  profile.UseFirewall = 1;
  FirewallWrite write;
  write.Settings.Host = TruncateTo(fields.FirewallHost, config::FirewallFieldCapacity);
  write.Settings.User = TruncateTo(fields.FirewallUser, config::FirewallFieldCapacity);
  write.Settings.Password = TruncateTo(fields.FirewallPassword, config::FirewallFieldCapacity);
  write.Settings.PasswordStored = fields.SaveFirewallPassword;
  write.SavePassword = fields.SaveFirewallPassword;
  write.Settings.Type = fields.FirewallType >= 0 && fields.FirewallType <= 3 ? fields.FirewallType : 1;
  profile.FirewallType = write.Settings.Type;
  const std::uint32_t firewallPort = DialogNumber(fields.FirewallPort);
  write.Settings.Port = firewallPort < LowestFirewallPort ? DefaultPort : firewallPort;
  profile.Port = write.Settings.Port;
  return write;
}

AdvancedDialogFields LoadAdvancedFields(const SessionProfile& profile) {
  const std::uint32_t port = profile.Port < LowestProfilePort ? DefaultPort : profile.Port;
  const config::FirewallSettings section = config::LoadFirewallSettings(port);
  return AdvancedFieldsOnOpening(profile, section, LastFirewallFields());
}

void CommitAdvancedFields(const AdvancedDialogFields& fields, SessionProfile& profile) {
  const std::optional<FirewallWrite> write = ApplyAdvancedFields(fields, profile);
  if (!write) return;
  config::SaveFirewallSettings(write->Settings, write->SavePassword);
  FirewallFieldMemory& memory = LastFirewallFields();
  memory.Host = write->Settings.Host;
  memory.User = write->Settings.User;
  memory.Password = write->Settings.Password;
  memory.Port = std::to_string(write->Settings.Port);
  memory.SavePassword = write->SavePassword;
}

bool SaveProfileWithComment(const SessionProfile& profile, std::string_view comment) {
  if (profile.Name.empty() || IsReservedProfileName(profile.Name)) return false;
  config::SaveSessionProfile(profile);
  const std::optional<std::string> text = CommentToWrite(comment);
  config::WriteSectionString(profile.Name, "COMMENT",
                             text ? std::optional<std::string_view>(*text) : std::nullopt);
  return true;
}

}  // namespace korval::ui::logic
