#include "listing/listing_entry.h"

#include <array>

#include "listing/listing_text.h"

namespace korval::listing {

std::string BuildDisplayText(std::string_view name, std::string_view info, bool longDir) {
  std::string text;
  if (!longDir || info.empty()) {
    text.assign(name.substr(0, DisplayTextCapacity));
    return text;
  }
  std::size_t paddedName = name.size() < NameColumnWidth ? NameColumnWidth : name.size();
  std::size_t full = paddedName + InfoSeparator.size() + info.size();
  text.reserve(full < DisplayTextCapacity ? full : DisplayTextCapacity);
  text.append(name);
  text.append(paddedName - name.size(), ' ');
  text.append(InfoSeparator);
  text.append(info);
  if (text.size() > DisplayTextCapacity) text.resize(DisplayTextCapacity);
  return text;
}

namespace {
std::uint8_t TwoDigits(std::string_view text, std::size_t at) {
  // The number in two characters (fewer when a non-digit ends it).
  unsigned value = 0;
  for (std::size_t i = at; i < at + 2 && i < text.size() && IsDigit(text[i]); ++i)
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  return static_cast<std::uint8_t>(value);
}
}  // namespace

std::uint64_t DateKey(const ListingEntry& entry) {
  std::uint64_t key = entry.FullYear;
  for (std::uint8_t part : {entry.Month, entry.Day, entry.Hour, entry.Minute}) key = key * 100 + part;
  return key;
}

void ReadNormalisedInfo(ListingEntry& entry, std::string_view info) {
  if (info.size() <= 13 || info[9] != ':') return;
  entry.Year = TwoDigits(info, 0);
  entry.Month = TwoDigits(info, 2);
  entry.Day = TwoDigits(info, 4);
  entry.Hour = TwoDigits(info, 7);
  entry.Minute = TwoDigits(info, 10);
  entry.Size = ReadNumber(info, 13);
  // Only a real date counts as the entry's date for sorting.
  bool real = entry.Month >= 1 && entry.Month <= 12 && entry.Day >= 1 && entry.Day <= 31 && entry.Hour <= 23 &&
              entry.Minute <= 59;
  entry.FullYear = real ? static_cast<std::uint16_t>(entry.Year >= 70 ? 1900 + entry.Year : 2000 + entry.Year) : 0;
}

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  // Past the end both texts read as '\0', as their terminators would.
  auto at = [](std::string_view text, std::size_t i) { return i < text.size() ? text[i] : '\0'; };
  std::size_t n = 0;
  std::size_t p = 0;
  while (n < name.size() && p < pattern.size()) {
    char wanted = pattern[p];
    if (wanted == '*') {
      char following = at(pattern, p + 1);
      std::size_t found = following == '\0' ? std::string_view::npos : name.find(following, n);
      n = found == std::string_view::npos ? name.size() : found;
      ++p;
      if (at(name, n) != at(pattern, p)) return false;
    } else if (wanted == '?' || wanted == name[n]) {
      ++n;
      ++p;
    } else {
      return false;
    }
  }
  return n == name.size() && p == pattern.size();
}

bool IsWildcardMask(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

bool HasDirMarker(std::string_view line) {
  static constexpr std::array<std::string_view, 7> markers = {" DIR ", " dir ", " Dir ", "<DIR>",
                                                             "<DIRECTORY>", "[dir]", "<dir>"};
  // Every marker holds "DIR", "dir" or "Dir": look for a 'D' or 'd' first.
  bool hasD = false;
  for (char c : line) {
    if (c == 'D' || c == 'd') {
      hasD = true;
      break;
    }
  }
  if (!hasD) return false;
  for (std::string_view marker : markers)
    if (line.find(marker) != std::string_view::npos) return true;
  return false;
}

namespace {
constexpr std::array<unsigned char, 256> MakeLowerTable() {
  std::array<unsigned char, 256> table{};
  for (unsigned i = 0; i < 256; ++i)
    table[i] = static_cast<unsigned char>((i >= 'A' && i <= 'Z') ? i + 32 : i);
  return table;
}
constexpr std::array<unsigned char, 256> lowerTable = MakeLowerTable();

std::string_view NamePart(const ListingEntry& entry) {
  std::string_view text = entry.Text;
  std::size_t separator = text.find(InfoSeparator);
  if (separator != std::string_view::npos) text = text.substr(0, separator);
  return TrimTrailingBlanks(text);
}

std::string_view Extension(const ListingEntry& entry) {
  std::string_view name = NamePart(entry);
  std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

bool IsParentEntry(const ListingEntry& entry) { return entry.Text == ".."; }

int CompareNumbers(std::uint64_t a, std::uint64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
int CompareDates(const ListingEntry& a, const ListingEntry& b) { return CompareNumbers(DateKey(a), DateKey(b)); }
int CompareSizes(const ListingEntry& a, const ListingEntry& b) { return CompareNumbers(a.Size, b.Size); }
bool IsDirectoryOrDrive(const ListingEntry& entry) {
  return entry.Kind == DirectoryKind || entry.Kind == DriveKind;
}
}  // namespace

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    unsigned char left = lowerTable[static_cast<unsigned char>(a[i])];
    unsigned char right = lowerTable[static_cast<unsigned char>(b[i])];
    if (left != right) return left < right ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareEntries(const ListingEntry& a, const ListingEntry& b, int sortSetting) {
  bool aParent = IsParentEntry(a);
  bool bParent = IsParentEntry(b);
  if (aParent != bParent) return aParent ? -1 : 1;

  if ((a.Kind > AsciiFileKind || b.Kind > AsciiFileKind) && a.Kind != b.Kind) {
    if (a.Kind == DriveKind) return 1;
    if (b.Kind == DriveKind) return -1;
    return a.Kind > b.Kind ? -1 : 1;
  }

  int mode = sortSetting & 7;
  if (mode == NoSort) return 0;
  int result = 0;
  if (mode == SortByExtension) {
    result = CompareIgnoreCase(Extension(a), Extension(b));
  } else if ((mode == SortByDate || mode == SortBySize) && !IsDirectoryOrDrive(b)) {
    std::size_t aSeparator = a.Text.find(InfoSeparator);
    std::size_t bSeparator = b.Text.find(InfoSeparator);
    if (aSeparator != std::string::npos && bSeparator != std::string::npos && a.IsDated() && b.IsDated()) {
      result = mode == SortByDate ? CompareDates(a, b) : CompareSizes(a, b);
      if (result == 0) result = mode == SortByDate ? CompareSizes(a, b) : CompareDates(a, b);
    } else if (aSeparator != std::string::npos && bSeparator != std::string::npos) {
      std::string_view aInfo = std::string_view(a.Text).substr(aSeparator);
      std::string_view bInfo = std::string_view(b.Text).substr(bSeparator);
      // The size column starts 16 characters after the separator.
      if (mode == SortBySize && aInfo.size() > 16 && bInfo.size() > 16) {
        aInfo = aInfo.substr(16);
        bInfo = bInfo.substr(16);
      }
      result = CompareIgnoreCase(aInfo, bInfo);
    }
  }
  if (result == 0) result = CompareIgnoreCase(a.Text, b.Text);
  if ((sortSetting & SortReverse) && !IsDirectoryOrDrive(b)) result = -result;
  return result;
}

}  // namespace korval::listing
