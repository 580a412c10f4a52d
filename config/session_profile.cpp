#include "config/session_profile.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "config/config_file.h"
#include "config/password_encoding.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/prompts.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::config {

namespace {

constexpr std::size_t ProfileListLineCapacity = 149;
constexpr std::array<std::string_view, 4> RestartKeys = {"REGETRDIR", "REGETRFILE", "REGETLDIR", "REGETLFILE"};

bool IsAnonymous(std::string_view user) { return platform::EqualsIgnoreCase(user, "anonymous"); }


void ApplySettingOverrides(std::string_view name) {
  ProgramSettings& settings = Settings();
  auto apply = [&](std::string_view key, int& setting) { setting = ReadProfileOverride(name, key, setting); };
  apply("AMODE", settings.AutoMode);
  apply("BELL", settings.Bell);
  apply("CONVEXT", settings.ConvertExtensions);
  apply("DOUPDATE", settings.AutoUpdate);
  apply("FORCLOW", settings.ForceLowerCase);
  apply("PROMPT", settings.PromptForNames);
  apply("STOU", settings.SendUnique);
  apply("RECU", settings.ReceiveUnique);
  apply("SORTLBX", settings.SortListBoxes);
  apply("usewave", settings.UseWave);
  settings.Mode = static_cast<char>(ReadProfileOverride(name, "MODE", static_cast<unsigned char>(settings.Mode)));
  apply("VLINK", settings.LinksAsDirectories);
}

bool NameLess(const std::string& left, const std::string& right) {
  std::string upperLeft = platform::ToUpperAscii(left);
  std::string upperRight = platform::ToUpperAscii(right);
  return upperLeft != upperRight ? upperLeft < upperRight : left < right;
}

}  // namespace

void AskForMailAddress() {
  std::string& mailAddress = Settings().MailAddress;
  while (mailAddress.empty()) {
    platform::CurrentHost().SetPromptHelpContext(MailAddressHelpContext);
    std::optional<std::string> answer =
        platform::CurrentHost().AskText("Enter your e-mail address:", mailAddress, PromptAnswerCapacity);
    if (!answer) break;
    platform::AssignTruncated(mailAddress, *answer, MailAddressCapacity);
  }
}

SessionProfile& CurrentProfile() {
  static SessionProfile profile;
  return profile;
}

SessionProfile& ProfileDialogCopy() {
  static SessionProfile profile;
  return profile;
}

void ResetSessionProfile(SessionProfile& profile) {
  profile.Name.clear();
  profile.User.clear();
  profile.Password.clear();
  profile.InitialRemoteDir.clear();
  profile.HostType = 6000;
  profile.Timeout = 65;
}

void LoadSessionProfile(SessionProfile& profile) {
  const std::string name = profile.Name;
  std::string host = ReadSectionString(name, "HOST", "", SessionProfile::HostCapacity);
  profile.Host = host.empty() ? platform::TruncateTo(name, SessionProfile::HostCapacity) : host;

  profile.User = ReadSectionString(name, "UID", "", SessionProfile::UserCapacity);

  // The stored text is read whole: the encoding doubles the length, so a cut
  // at the password's own capacity would lose the second half of a long one.
  profile.Password.clear();
  profile.SavePassword = 0;
  std::string stored = ReadSectionString(name, "PWD", "", EncodedPasswordCapacity);
  if (!profile.User.empty() && !stored.empty()) {
    profile.Password = platform::TruncateTo(DecodePassword(profile.User, stored), SessionProfile::PasswordCapacity);
    profile.SavePassword = 1;
  }

  if (IsAnonymous(profile.User) && profile.Password.empty()) {
    AskForMailAddress();
    profile.Password = platform::TruncateTo(Settings().MailAddress, SessionProfile::PasswordCapacity);
    if (!Settings().MailAddress.empty()) WriteConfigString("MAILADDR", Settings().MailAddress);
  }

  profile.InitialRemoteDir = ReadSectionString(name, "DIR", "", SessionProfile::DirCapacity);
  profile.Account = ReadSectionString(name, "ACT", "", SessionProfile::AccountCapacity);

  profile.UseFirewall = ReadProfileOverride(name, "FIREWALL", 0);
  profile.HostType = static_cast<std::uint32_t>(ReadSectionNumber(name, "TYPE", 6000));
  profile.Timeout = static_cast<std::uint32_t>(ReadSectionNumber(name, "TIMEOUT", 65));
  profile.LocalMask = ReadSectionString(name, "LMASK", "", SessionProfile::MaskCapacity);
  profile.RemoteMask = ReadSectionString(name, "RMASK", "", SessionProfile::MaskCapacity);
  profile.LocalDir = ReadSectionString(name, "LOCDIR", "", SessionProfile::DirCapacity);
  profile.InitCommand = ReadSectionString(name, "INITCMD", "", SessionProfile::InitCommandCapacity);
  profile.Port = static_cast<std::uint32_t>(ReadSectionNumber(name, "PORT", 21));
  profile.Passive = ReadProfileOverride(name, "PASVMODE", 0);
  profile.Retries = ReadSectionNumber(name, "RETRIES", 0);
  profile.TlsMode = ReadSectionNumber(name, "TLSMODE", 0);
  profile.TlsPin = ReadSectionString(name, "TLSPIN", "", SessionProfile::TlsPinCapacity);

  ApplySettingOverrides(name);
}

void SaveSessionProfile(const SessionProfile& profile) {
  const std::string& name = profile.Name;
  // One edit: a crash or a full disk never leaves the profile half rewritten.
  platform::IniEdit edit = EditConfigFile();
  // The save owns only the profile's own keys: each is written, or deleted
  // when it holds its default. The rest of the section (COMMENT, the Session
  // Options' overrides, the restart record) stays as it was.
  auto writeOrDelete = [&edit, &name](std::string_view key, bool write, std::string_view value) {
    if (write)
      edit.WriteString(name, key, value);
    else
      edit.DeleteKey(name, key);
  };
  edit.WriteString(name, "HOST", profile.Host);
  edit.WriteString(name, "UID", profile.User);
  writeOrDelete("PWD", profile.SavePassword != 0,
                profile.SavePassword ? EncodePassword(profile.User, profile.Password) : std::string());
  writeOrDelete("ACT", !profile.Account.empty(), profile.Account);
  writeOrDelete("LMASK", !profile.LocalMask.empty(), profile.LocalMask);
  writeOrDelete("RMASK", !profile.RemoteMask.empty(), profile.RemoteMask);

  writeOrDelete("TYPE", profile.HostType != 6000, std::to_string(profile.HostType));
  writeOrDelete("TIMEOUT", profile.Timeout != 65, std::to_string(profile.Timeout));
  writeOrDelete("LOCDIR", !profile.LocalDir.empty(), profile.LocalDir);
  writeOrDelete("DIR", !profile.InitialRemoteDir.empty(), profile.InitialRemoteDir);
  writeOrDelete("FIREWALL", profile.UseFirewall != 0, "1");
  writeOrDelete("FIRETYPE", profile.FirewallType >= 1 && profile.FirewallType <= 3,
                std::to_string(profile.FirewallType));
  writeOrDelete("RETRIES", profile.Retries != 0, std::to_string(static_cast<std::uint32_t>(profile.Retries)));
  writeOrDelete("PORT", profile.Port != 21, std::to_string(profile.Port));
  writeOrDelete("INITCMD", !profile.InitCommand.empty(), profile.InitCommand);
  writeOrDelete("TLSMODE", profile.TlsMode != 0, std::to_string(profile.TlsMode));
  writeOrDelete("TLSPIN", !profile.TlsPin.empty(), profile.TlsPin);

  WriteProfileOverride(edit, name, "PASVMODE", static_cast<std::uint32_t>(profile.Passive));

  // A restart record without its remote file cannot be resumed.
  if (edit.ReadString(name, "REGETRFILE", "", RestartValueCapacity).empty())
    for (std::string_view key : RestartKeys) edit.DeleteKey(name, key);
  edit.Commit();
}

void DeleteSessionProfile(std::string_view name) { DeleteSection(name); }

std::vector<std::string> ListSessionProfiles() {
  std::vector<std::string> names;
  std::FILE* file = std::fopen(ProgramFiles().ConfigPath.c_str(), "rb");
  if (!file) return names;
  // Only the first 149 characters of a line count; the rest of a longer line
  // is skipped, never taken for a line of its own.
  std::string line;
  auto takeLine = [&]() {
    if (!line.empty() && line.front() == '[') {
      std::string name = line.substr(1, line.find(']') - 1);  // to the end when there is no "]"
      if (!name.empty() && name.back() == '\r') name.pop_back();
      if (!platform::EqualsIgnoreCase(name, ConfigSection)) names.push_back(std::move(name));
    }
    line.clear();
  };
  for (int character; (character = std::fgetc(file)) != EOF;) {
    if (character == '\n')
      takeLine();
    else if (line.size() < ProfileListLineCapacity)
      line += static_cast<char>(character);
  }
  takeLine();
  std::fclose(file);
  std::stable_sort(names.begin(), names.end(), NameLess);
  return names;
}

}  // namespace korval::config
