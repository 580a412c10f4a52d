// Microsoft NT servers, in either of their two layouts. UNIX-like lines carry
// the name at column 59, DOS-like lines at column 39:
//
//   -rwxrwxrwx   1 owner    group            1803 May 22 14:05 readme.txt
//   drwxrwxrwx   1 owner    group               0 Jan  3  1996 docs
//   05-22-96  02:05PM                 1803 readme2.txt
//   01-03-96  09:30AM       <DIR>          projects
//
// Lines whose fields stand elsewhere are read by what the fields are: the
// date (two or four digits of year), a 24-hour or AM/PM time, "<DIR>" or a
// size of any width, and the name as the rest of the line:
//
//   05-22-2003  14:05       5000000000 backup of 2003.zip
//   05-22-03  02:05 PM      <DIR>      Program Files
//   -rwxrwxrwx 1 owner group 1803 May 22 14:05 moved columns.txt

#include "listing/date_normalisation.h"
#include "listing/field_finder.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"

namespace korval::listing {

namespace {

constexpr std::size_t UnixNameColumn = 59;
constexpr std::size_t DosNameColumn = 39;

char At(std::string_view line, std::size_t at) { return at < line.size() ? line[at] : '\0'; }

// The fixed columns fit: a month name at 46 and the name at 59.
bool UnixColumnsFit(std::string_view line) {
  return line.size() > UnixNameColumn && At(line, 45) == ' ' && MonthNumber(line, 46) != 0 &&
         At(line, UnixNameColumn - 1) == ' ' && At(line, UnixNameColumn) != ' ';
}

// The fixed columns fit: "MM-DD-YY" at 0, the time at 10, "<DIR>" at 24 or
// the size ending at 37, and the name at 39.
bool DosColumnsFit(std::string_view line) {
  return line.size() > DosNameColumn && IsDigit(At(line, 0)) && At(line, 2) == '-' && At(line, 5) == '-' &&
         At(line, 8) == ' ' && At(line, 12) == ':' && (At(line, 37) != ' ' || line.substr(24, 5) == "<DIR>") &&
         At(line, DosNameColumn - 1) == ' ' && At(line, DosNameColumn) != ' ';
}

// A DOS-like line read by its fields: date and time, "<DIR>" or the size,
// then the name. False when the line is not of that shape.
bool BuildDosLineByFields(std::string_view line, const ListingContext& context) {
  Words words = SplitWords(line);
  std::optional<DateGroup> group = ReadDateGroup(line, words, 0, context.Today, NumericDateOrder::MonthFirst);
  if (!group) return false;
  std::size_t marker = group->LastWord + 1;
  if (marker + 1 >= words.Count) return false;
  std::string_view sizeWord = words.Text(line, marker);
  std::string name(line.substr(words.Items[marker + 1].Start));
  if (sizeWord == "<DIR>" || HasDirMarker(line)) {
    AddDirEntry(context, name, DirectoryKind);
    return true;
  }
  std::optional<std::uint64_t> size = ReadSizeWord(sizeWord);
  if (!size) return false;
  const EntryDate& date = group->Date;
  AddDatedFileEntry(context, name, MakeNormalisedInfo(date.Year, date.Month, date.Day, date.Hour, date.Minute, *size));
  return true;
}

}  // namespace

void BuildNtLine(std::string& line, const ListingContext& context) {
  if (line.empty()) return;
  bool unixLike = line.front() == 'd' || line.front() == '-';
  if (unixLike && !UnixColumnsFit(line) && BuildLineByFoundFields(line, context)) return;
  if (!unixLike && !DosColumnsFit(line) && BuildDosLineByFields(line, context)) return;

  std::size_t nameColumn = unixLike ? UnixNameColumn : DosNameColumn;
  std::size_t nameStart = line.size() > nameColumn ? nameColumn : LastFieldStart(line);
  std::string name = line.substr(nameStart);
  if (name.empty()) return;
  if (HasDirMarker(line) || line.front() == 'd') {
    AddDirEntry(context, name, DirectoryKind);
    return;
  }
  TerminateBeforeName(line, nameStart);
  std::uint64_t size = line.size() >= 36 ? ReadNumber(line, unixLike ? 30 : 24) : 0;
  NormalisedInfo info =
      unixLike ? NormaliseByColumns(line, {56, 2}, {46, 3}, {50, 2}, {53, 5}, 29, DateColumns::MonthName, context.Today)
               : NormaliseByColumns(line, {6, 2}, {0, 2}, {3, 2}, {10, 7}, 20, DateColumns::CopyAsShown, context.Today);
  if (size != 0) info.Size = size;
  AddDatedFileEntry(context, name, info);
}

}  // namespace korval::listing
