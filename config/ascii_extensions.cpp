#include "config/ascii_extensions.h"

#include <cstdio>
#include <memory>

#include "platform/text.h"

namespace korval::config {

namespace {
constexpr std::size_t EntryCapacity = 9;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

bool EndsWithIgnoreCase(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() &&
         platform::EqualsIgnoreCase(text.substr(text.size() - ending.size()), ending);
}
}  // namespace

AsciiExtensionList AsciiExtensionList::Load(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return Missing();
  AsciiExtensionList list;
  list.missing_ = false;
  std::string piece;
  int c;
  // A longer line is read as several entries, as a 10-byte line buffer would.
  while ((c = std::fgetc(file.get())) != EOF) {
    piece.push_back(static_cast<char>(c));
    if (c == '\n' || piece.size() == EntryCapacity) {
      while (!piece.empty() && (piece.back() == '\n' || piece.back() == '\r')) piece.pop_back();
      list.entries_.push_back(piece.substr(0, piece.find('\0')));
      piece.clear();
    }
  }
  if (!piece.empty()) {
    while (!piece.empty() && piece.back() == '\r') piece.pop_back();
    list.entries_.push_back(piece.substr(0, piece.find('\0')));
  }
  return list;
}

AsciiExtensionList AsciiExtensionList::FromEntries(std::vector<std::string> entries) {
  AsciiExtensionList list;
  list.entries_ = std::move(entries);
  list.missing_ = false;
  return list;
}

AsciiExtensionList AsciiExtensionList::Missing() { return AsciiExtensionList(); }

bool AsciiExtensionList::Matches(std::string_view name) const {
  name = name.substr(0, name.find(';'));
  if (missing_) return name.size() > 4 && EndsWithIgnoreCase(name, ".TXT");
  for (const std::string& entry : entries_) {
    if (entry.size() < 2) continue;
    if (EndsWithIgnoreCase(name, entry)) return true;  // equal names end with it too
  }
  return false;
}

}  // namespace korval::config
