#include "config/session_profile.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "config/config_file.h"
#include "config/password_encoding.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::config {

namespace {

constexpr std::size_t PromptAnswerCapacity = 69;
constexpr std::size_t ProfileListLineCapacity = 149;
constexpr std::array<std::string_view, 4> RestartKeys = {"REGETRDIR", "REGETRFILE", "REGETLDIR", "REGETLFILE"};

bool IsAnonymous(std::string_view user) { return platform::EqualsIgnoreCase(user, "anonymous"); }

// Asks for the e-mail address until one is given or the user cancels.
void AskForMailAddress() {
  std::string& mailAddress = Settings().MailAddress;
  while (mailAddress.empty()) {
    std::optional<std::string> answer =
        platform::CurrentHost().AskText("Enter your e-mail address:", mailAddress, PromptAnswerCapacity);
    if (!answer) break;
    platform::AssignTruncated(mailAddress, *answer, MailAddressCapacity);
  }
}

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

  ApplySettingOverrides(name);
}

void SaveSessionProfile(const SessionProfile& profile) {
  const std::string& name = profile.Name;
  // One edit: a crash or a full disk never leaves the profile half rewritten.
  platform::IniEdit edit = EditConfigFile();

  std::array<std::string, RestartKeys.size()> restart;
  for (std::size_t index = 0; index < RestartKeys.size(); ++index)
    restart[index] = edit.ReadString(name, RestartKeys[index], "", RestartValueCapacity);

  edit.DeleteSection(name);
  edit.WriteString(name, "HOST", profile.Host);
  edit.WriteString(name, "UID", profile.User);
  if (profile.SavePassword) edit.WriteString(name, "PWD", EncodePassword(profile.User, profile.Password));
  if (!profile.Account.empty()) edit.WriteString(name, "ACT", profile.Account);
  if (!profile.LocalMask.empty()) edit.WriteString(name, "LMASK", profile.LocalMask);
  if (!profile.RemoteMask.empty()) edit.WriteString(name, "RMASK", profile.RemoteMask);

  if (profile.HostType != 6000) edit.WriteString(name, "TYPE", std::to_string(profile.HostType));
  if (profile.Timeout != 65) edit.WriteString(name, "TIMEOUT", std::to_string(profile.Timeout));
  if (!profile.LocalDir.empty()) edit.WriteString(name, "LOCDIR", profile.LocalDir);
  if (!profile.InitialRemoteDir.empty()) edit.WriteString(name, "DIR", profile.InitialRemoteDir);
  if (profile.UseFirewall) edit.WriteString(name, "FIREWALL", "1");
  if (profile.FirewallType >= 1 && profile.FirewallType <= 3)
    edit.WriteString(name, "FIRETYPE", std::to_string(profile.FirewallType));
  if (profile.Retries != 0) edit.WriteString(name, "RETRIES", std::to_string(static_cast<std::uint32_t>(profile.Retries)));
  if (profile.Port != 21) edit.WriteString(name, "PORT", std::to_string(profile.Port));
  if (!profile.InitCommand.empty()) edit.WriteString(name, "INITCMD", profile.InitCommand);

  WriteProfileOverride(edit, name, "PASVMODE", static_cast<std::uint32_t>(profile.Passive));

  if (!restart[1].empty())
    for (std::size_t index = 0; index < RestartKeys.size(); ++index)
      edit.WriteString(name, RestartKeys[index], restart[index]);
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
