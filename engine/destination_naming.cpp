#include "engine/destination_naming.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "config/config_file.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/host_type.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

constexpr std::size_t ConversionLineCapacity = 80;
constexpr std::size_t ConvertedExtensionCapacity = 20;
constexpr unsigned UniqueCandidates = 99;

NameLengthQuery nameLengthQuery;

long MaximumNameLength(const std::string& directory) {
  if (nameLengthQuery) return nameLengthQuery();
  return ::pathconf(directory.empty() ? "." : directory.c_str(), _PC_NAME_MAX);
}

bool FileExists(const std::string& directory, const std::string& name) {
  const std::string path = directory.empty() ? name : directory + "/" + name;
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && platform::EqualsIgnoreCase(text.substr(text.size() - ending.size()), ending);
}

std::string CollapseBlanks(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c == ' ' && (result.empty() || result.back() == ' ')) continue;
    result.push_back(c);
  }
  while (!result.empty() && result.back() == ' ') result.pop_back();
  return result;
}

}  // namespace

std::string_view LastPathPart(std::string_view path) {
  std::size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) cut = path.rfind('/');
  std::string_view part = cut == std::string_view::npos ? path : path.substr(cut + 1);
  // A "/" behind the last backslash would make the name a path (a\../../x).
  if (std::size_t slash = part.rfind('/'); slash != std::string_view::npos) part.remove_prefix(slash + 1);
  return part;
}

void SetNameLengthQuery(NameLengthQuery query) { nameLengthQuery = std::move(query); }

bool ConvertExtension(std::string& name, ConversionDirection direction) {
  const config::ProgramSettings& settings = config::Settings();
  if (direction == ConversionDirection::Send && settings.ForceLowerCase) name = platform::ToLowerAscii(name);
  if (!settings.ConvertExtensions) return false;

  std::string versionSuffix;
  if (std::size_t semicolon = name.find(';'); semicolon != std::string::npos) {
    versionSuffix = name.substr(semicolon);
    name.erase(semicolon);
  }

  std::ifstream rules(config::ProgramFiles().ConversionsPath, std::ios::binary);
  std::string line;
  while (rules && std::getline(rules, line)) {
    line = platform::TruncateTo(line, ConversionLineCapacity);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;  // a rule without a destination
    std::string from = line.substr(0, equals);
    std::string to = platform::TruncateTo(std::string_view(line).substr(equals + 1), ConvertedExtensionCapacity);
    if (from.size() < 2) continue;
    bool whole = platform::EqualsIgnoreCase(name, from);
    if (!whole && !(from.size() < name.size() && EndsWithIgnoreCase(name, from))) continue;
    std::string matched = whole ? name : name.substr(name.size() - from.size());
    LogPrintf("[I] Converted extension from %s to %s", matched.c_str(), to.c_str());
    name.replace(name.size() - matched.size(), matched.size(), to);
    return true;
  }
  if (direction == ConversionDirection::Send) name += versionSuffix;
  return false;
}

std::string LocalNameFor(std::string_view remoteName, std::string_view localDirectoryIn) {
  const std::string localDirectory(localDirectoryIn);
  const long maximum = MaximumNameLength(localDirectory);
  // A name the file system takes is kept as it is, however long.
  const bool longNames = maximum > 12 && static_cast<long>(LastPathPart(remoteName).size()) <= maximum;

  std::string base;
  std::string extension;
  if (longNames) {
    base = std::string(LastPathPart(remoteName));
    ConvertExtension(base, ConversionDirection::Receive);
  } else {
    std::string remote(remoteName);
    if (TheSession().HostType == engine::HostTypeNumber(engine::HostType::IbmSpartacusKnet))
      remote = CollapseBlanks(remote.substr(std::min(remote.find_first_not_of(' '), remote.size())));
    std::string_view part = LastPathPart(remote);
    while (!part.empty() && part.front() == '.') part.remove_prefix(1);

    std::size_t i = 0;
    while (i < part.size() && base.size() < 8 && part[i] != '.' && part[i] != ' ') {
      base.push_back(part[i] == ':' ? '_' : part[i]);
      ++i;
    }
    std::string_view rest = part.substr(i);
    std::size_t start = rest.find('.');
    if (start == std::string_view::npos) start = rest.find(' ');
    if (start != std::string_view::npos) {
      std::size_t j = start;
      while (j < rest.size() && (rest[j] == '.' || rest[j] == ' ')) ++j;
      while (j < rest.size() && extension.size() < 10 && rest[j] != '.' && rest[j] != ' ' && rest[j] != ';')
        extension.push_back(rest[j++]);
    }
    if (!extension.empty() && !ConvertExtension(extension, ConversionDirection::Receive))
      extension = platform::TruncateTo(extension, 3);
  }

  if (base.empty() && extension.empty()) base = "aaremote";
  auto compose = [&]() { return extension.empty() ? base : base + "." + extension; };
  std::string name = platform::TruncateTo(compose(), LocalNameCapacity);

  if (config::Settings().ReceiveUnique) {
    for (unsigned candidate = 0; candidate < UniqueCandidates && FileExists(localDirectory, name); ++candidate) {
      if (extension.empty())
        name = platform::FormatTruncated(LocalNameCapacity, "%s.%03u", base.c_str(), candidate);
      else if (base.size() < 6)
        name = platform::FormatTruncated(LocalNameCapacity, "%s%03u.%s", base.c_str(), candidate, extension.c_str());
      else
        name = platform::FormatTruncated(LocalNameCapacity, "%-5.5s%03u.%s", base.c_str(), candidate,
                                         extension.c_str());
    }
  }
  return name;
}

void ClearRestartRecord(std::string_view section) {
  if (config::ReadSectionString(section, "REGETRFILE", "", 256).empty()) return;
  for (const char* key : {"REGETRDIR", "REGETRFILE", "REGETLDIR", "REGETLFILE", "REGETTIME"})
    config::WriteSectionString(section, key, std::nullopt);
}

}  // namespace korval::engine
