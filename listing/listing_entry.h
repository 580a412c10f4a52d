#pragma once
// One line of a file pane: its kind, the date and size read back from the
// normalised information text, and the display text. The normalised text is
// "%02u%02u%02u %02u:%02u %10lu": year, month, day, hour:minute and the size
// right-aligned in ten characters, so that both panes show and sort entries of
// every server alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "listing/seldom_text.h"

namespace korval::listing {

// Entry kinds. Kinds above 1 sort before files; drives sort last.
constexpr std::int32_t FileKind = 0;
constexpr std::int32_t AsciiFileKind = 1;  // extension in the ASCII extension list
constexpr std::int32_t LinkKind = 2;
constexpr std::int32_t DirectoryKind = 4;  // ".." included
constexpr std::int32_t DriveKind = 8;      // local pane only

constexpr std::int32_t LocalPaneNumber = 0;
constexpr std::int32_t RemotePaneNumber = 1;

// A file entry's display text is cut at this many characters.
constexpr std::size_t DisplayTextCapacity = 199;
// Names shorter than this are padded before the separator.
constexpr std::size_t NameColumnWidth = 12;
// Between the name and the information text in a display text.
constexpr std::string_view InfoSeparator = "\t| ";

// A date as a listing line or the file system gives it; Year 0 means none.
struct EntryDate {
  std::uint16_t Year = 0;  // all four digits
  std::uint8_t Month = 0;
  std::uint8_t Day = 0;
  std::uint8_t Hour = 0;
  std::uint8_t Minute = 0;
};

// What a line builder makes of a line's date and size: the normalised
// information text and the date and size it shows, kept whole.
struct NormalisedInfo {
  std::string Text;
  EntryDate Date;
  std::uint64_t Size = 0;
};

struct ListingEntry {
  std::int32_t Pane = LocalPaneNumber;
  std::int32_t Kind = FileKind;
  std::uint8_t Year = 0;  // the last two digits of FullYear
  std::uint8_t Month = 0;
  std::uint8_t Day = 0;
  std::uint8_t Hour = 0;
  std::uint8_t Minute = 0;
  // The whole year of a dated entry, 0 for an entry without a date. Dated
  // entries sort by date and size as numbers, across centuries and sizes of
  // any width.
  std::uint16_t FullYear = 0;
  std::int32_t NameLength = 0;  // characters of the name at the start of Text
  std::uint64_t Size = 0;
  std::string Text;             // the display text
  // The name commands and local files are reached by, when the display text
  // shows it otherwise (cut for width, lower-cased by FORCLOW); empty when
  // the shown name is that name.
  SeldomText WholeName;

  // The name as shown.
  std::string_view Name() const {
    return std::string_view(Text).substr(0, static_cast<std::size_t>(NameLength));
  }
  // The name to send in commands and to open, rename or delete a file by.
  std::string_view CommandName() const { return WholeName.empty() ? Name() : WholeName.view(); }
  bool IsDated() const { return FullYear != 0; }
  void SetDate(const EntryDate& date) {
    FullYear = date.Year;
    Year = static_cast<std::uint8_t>(date.Year % 100);
    Month = date.Month;
    Day = date.Day;
    Hour = date.Hour;
    Minute = date.Minute;
  }
};

// The display text of a file entry: the name alone, or with `longDir` and a
// non-empty information text the name padded to 12 characters, "\t| " and the
// information; at most 199 characters.
std::string BuildDisplayText(std::string_view name, std::string_view info, bool longDir);

// The entry's date as one number that orders like the date (YYYYMMDDhhmm).
std::uint64_t DateKey(const ListingEntry& entry);

// Fills the date fields and Size from normalised information text; text not
// in that form (shorter than 14 characters, no ':' at 9) changes nothing.
// The two-digit year is read as one of the 1990s (the text begins with '9').
void ReadNormalisedInfo(ListingEntry& entry, std::string_view info);

// The pane's mask match: case-sensitive, '?' one character, '*' skips to the
// next occurrence of the character after it, without backtracking.
bool WildcardMatch(std::string_view name, std::string_view pattern);

// Whether the mask filters in the pane (it has '*' or '?'); other masks go to
// the server as the LIST argument.
bool IsWildcardMask(std::string_view mask);

// A listing line marked as a directory: " DIR ", " dir ", " Dir ", "<DIR>",
// "<DIRECTORY>", "[dir]" or "<dir>".
bool HasDirMarker(std::string_view line);

// Sort settings (LSORT, RSORT): the low three bits choose the mode, 8 reverses.
constexpr int NoSort = 0;
constexpr int SortByName = 1;
constexpr int SortByExtension = 2;
constexpr int SortByDate = 3;
constexpr int SortBySize = 4;
constexpr int SortReverse = 8;

// The pane order: negative when `a` comes before `b`. ".." first, then
// directories, links, files (files of both kinds together), drives last; the
// mode orders entries within those groups. In date and size order two dated
// entries with information compare by their date and size as numbers (the
// other one breaking a tie); others by their information texts.
int CompareEntries(const ListingEntry& a, const ListingEntry& b, int sortSetting);

// ASCII case-insensitive comparison of two texts (letters folded to lower case).
int CompareIgnoreCase(std::string_view a, std::string_view b);

}  // namespace korval::listing
