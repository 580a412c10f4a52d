#include "listing/ascii_names.h"

#include <fstream>
#include <string>

#include "config/program_files.h"
#include "platform/text.h"

namespace korval::listing {

namespace {
constexpr std::size_t ExtensionLineCapacity = 9;

bool EndsWithIgnoreCase(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && platform::EqualsIgnoreCase(text.substr(text.size() - ending.size()), ending);
}
}  // namespace

bool IsAsciiName(std::string_view name) {
  name = name.substr(0, name.find(';'));
  std::ifstream list(config::ProgramFiles().ExtensionsPath, std::ios::binary);
  if (!list) return name.size() > 4 && EndsWithIgnoreCase(name, ".TXT");
  std::string line;
  while (std::getline(list, line)) {
    line = platform::TruncateTo(line, ExtensionLineCapacity);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.size() < 2) continue;
    if (EndsWithIgnoreCase(name, line)) return true;  // equal counts as ending with it
  }
  return false;
}

}  // namespace korval::listing
