#include "config/config_file.h"


#include "config/program_files.h"
#include "config/session_profile.h"

namespace korval::config {

namespace {

// Read back when "_config_" lacks the key: a profile value is then always
// written, since there is nothing for the profile to inherit.
constexpr std::int32_t NoGlobalValue = 99;

const std::string& ConfigPath() { return ProgramFiles().ConfigPath; }

std::string PreparedConfigPath() {
  EnsureDirectoryFor(ConfigPath());
  return ConfigPath();
}

}  // namespace

std::string ReadConfigString(std::string_view key, std::string_view defaultValue, std::size_t capacity) {
  return ReadSectionString(ConfigSection, key, defaultValue, capacity);
}

void WriteConfigString(std::string_view key, std::optional<std::string_view> value) {
  WriteSectionString(ConfigSection, key, value);
}

std::int32_t ReadConfigNumber(std::string_view key, std::int32_t defaultValue) {
  return ReadSectionNumber(ConfigSection, key, defaultValue);
}

std::string ReadSectionString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              std::size_t capacity) {
  return platform::ReadIniString(ConfigPath(), section, key, defaultValue, capacity);
}

std::int32_t ReadSectionNumber(std::string_view section, std::string_view key, std::int32_t defaultValue) {
  return platform::ReadIniNumber(ConfigPath(), section, key, defaultValue);
}

void WriteSectionString(std::string_view section, std::string_view key, std::optional<std::string_view> value) {
  if (value)
    platform::WriteIniString(PreparedConfigPath(), section, key, *value);
  else
    platform::DeleteIniKey(ConfigPath(), section, key);
}

void WriteSettingNumber(std::string_view section, std::string_view key, std::uint32_t value) {
  WriteSectionString(section, key, std::to_string(value));
}

void DeleteSection(std::string_view section) { platform::DeleteIniSection(ConfigPath(), section); }

std::int32_t ReadProfileOverride(std::string_view profile, std::string_view key, std::int32_t defaultValue) {
  return ReadSectionNumber(profile, key, ReadConfigNumber(key, defaultValue));
}

void WriteProfileOverride(std::string_view section, std::string_view key, std::uint32_t value) {
  platform::IniEdit edit = EditConfigFile();
  WriteProfileOverride(edit, section, key, value);
  edit.Commit();
}

void WriteProfileOverride(platform::IniEdit& edit, std::string_view section, std::string_view key,
                          std::uint32_t value) {
  std::int32_t global = edit.ReadNumber(ConfigSection, key, NoGlobalValue);
  if (global == NoGlobalValue || static_cast<std::uint32_t>(global) != value)
    edit.WriteString(section, key, std::to_string(value));
  else
    edit.DeleteKey(section, key);
}

void WriteSessionOverride(std::string_view key, std::uint32_t value) {
  WriteProfileOverride(CurrentProfile().Name, key, value);
}

platform::IniEdit EditConfigFile() { return platform::IniEdit(PreparedConfigPath()); }

}  // namespace korval::config
