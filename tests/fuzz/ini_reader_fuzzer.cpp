// The INI reader and writer on any file: the input up to its first NUL byte
// is the file, the rest names a section and a key (split at the next NUL).
// Reads must take anything; a value written under plain names must read
// back and be gone after its deletion; a refused write changes nothing.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ini.h"
#include "tests/fuzz/fuzz_support.h"

using namespace korval;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// Plain names only: ones the writer takes and that read back unchanged.
bool PlainName(std::string_view name) {
  if (name.empty() || name.size() > 40) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::SplitInput input = fuzzing::SplitAtNul(data, size);
  const std::string path = fuzzing::WriteScratchFile("fuzz.ini", input.head);
  std::string_view names = input.tail;
  std::string_view section = names.substr(0, names.find('\0'));
  std::string_view key = section.size() < names.size() ? names.substr(section.size() + 1) : std::string_view("HOST");
  if (section.empty()) section = "_config_";

  for (std::string_view k : {key, std::string_view("HOST"), std::string_view("RBP")}) {
    const std::string value = platform::ReadIniString(path, section, k, "default", 255);
    if (value.size() > 255) std::abort();
    platform::ReadIniNumber(path, section, k, 7);
  }
  platform::ParseIniNumber(input.head.substr(0, 64));

  if (PlainName(section) && PlainName(key)) {
    const std::string before = ReadAll(path);
    if (platform::WriteIniString(path, section, key, "fuzz value")) {
      if (platform::ReadIniString(path, section, key, "", 255) != "fuzz value") std::abort();
      if (!platform::DeleteIniKey(path, section, key)) std::abort();
      if (platform::ReadIniString(path, section, key, "gone", 255) != "gone") std::abort();
    } else if (ReadAll(path) != before) {
      std::abort();  // a refused write leaves the file as it was
    }
  }
  return 0;
}
