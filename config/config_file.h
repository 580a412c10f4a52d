#pragma once
// Access to KORVAL.INI at the located path (ProgramFiles().ConfigPath). The
// file is read key by key when a value is needed and written key by key when
// one changes; nothing is cached. A file that cannot be read behaves as empty
// and a failed write leaves the file as it was.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ini.h"

namespace korval::config {

// The program settings' section.
inline constexpr std::string_view ConfigSection = "_config_";

// Section "_config_".
std::string ReadConfigString(std::string_view key, std::string_view defaultValue, std::size_t capacity);
// nullopt deletes the key.
void WriteConfigString(std::string_view key, std::optional<std::string_view> value);
std::int32_t ReadConfigNumber(std::string_view key, std::int32_t defaultValue);

// Any section (profiles, "FIREWALL", "KORVAL").
std::string ReadSectionString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              std::size_t capacity);
std::int32_t ReadSectionNumber(std::string_view section, std::string_view key, std::int32_t defaultValue);
// nullopt deletes the key.
void WriteSectionString(std::string_view section, std::string_view key, std::optional<std::string_view> value);
// Writes the unsigned decimal text ("%u") of `value`.
void WriteSettingNumber(std::string_view section, std::string_view key, std::uint32_t value);
// Removes the section and all its keys.
void DeleteSection(std::string_view section);

// The value of `key` in section `profile`; when absent there, in "_config_";
// when absent there too, `defaultValue`.
std::int32_t ReadProfileOverride(std::string_view profile, std::string_view key, std::int32_t defaultValue);

// Writes `value` into `section` unless "_config_" holds the same value; then
// the key is removed from `section`, so that the profile inherits it.
void WriteProfileOverride(std::string_view section, std::string_view key, std::uint32_t value);
// The same inside an edit that is committed as a whole.
void WriteProfileOverride(platform::IniEdit& edit, std::string_view section, std::string_view key,
                          std::uint32_t value);
// WriteProfileOverride on the current profile's section.
void WriteSessionOverride(std::string_view key, std::uint32_t value);

// An edit of the configuration file for changes that must land together.
// Creates the configuration directory first when the file belongs there.
platform::IniEdit EditConfigFile();

}  // namespace korval::config
