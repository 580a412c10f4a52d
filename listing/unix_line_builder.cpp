// UNIX "ls -l" lines, also the rules of automatic detection and of every type
// without rules of its own:
//
//   total 24
//   drwxr-xr-x   2 joe      staff        512 May 22 14:05 docs
//   -rw-r--r--   1 joe      staff       1803 May 22  1995 readme.txt
//   lrwxrwxrwx   1 joe      staff         11 Jan  3 09:30 latest -> release-2.1
//   -rw-r--r--   1 joe      staff       4096 Oct 17 18:21 name with spaces.doc
//
// and as servers write them when a field moves, read by the date group and
// the size in front of it, the name being the rest of the line:
//
//   -rw-r--r--   1 joe                1803 May 22 14:05 no group.txt
//   -rw-r--r--   1 joe   longgroup123456 May 22 14:05 group into size
//   -rw-r--r--   1 joe   Domain Users 1803 May 22 14:05 owner with blanks
//   -rw-r--r--                        1803 May 22 14:05 no owner
//   -rw-r--r--   joe     staff       33.5k May 22 14:05 no link count
//   -rw-r--r--   1 joe   staff        1803 May 22, 1996 14:05 comma
//   -rw-r--r--   1 joe   staff        1803 05-22 1996 month-day year
//   -rw-r--r--   1 joe   staff        1803 1996-05-22 14:05 iso
//   -rw-r--r--   1 joe   staff        1803 22-05-1996 14:05 day first
//   -rw-r--r--   1 joe   staff        1803 1996.05.22 dotted
//   -rw-r--r--   1 joe   staff        1803 22-May-96 day-month name
//   -rw-r--r--           2140  1392298  1394438 Nov 22  1995 MegaPhone.sit
//                        (resource fork, data fork, total: the total is the size)

#include "listing/date_normalisation.h"
#include "listing/field_finder.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "platform/text.h"

namespace korval::listing {

namespace {

bool AllDigitsUpTo(std::string_view text, std::size_t end) {
  if (end == 0) return false;
  for (std::size_t i = 0; i < end; ++i)
    if (!IsDigit(text[i])) return false;
  return true;
}

std::size_t FieldEnd(std::string_view line, std::size_t start) {
  std::size_t end = line.find(' ', start);
  return end == std::string_view::npos ? line.size() : end;
}

// The fixed fields fit the line: a size in field 5, a month name in field 6,
// a day in field 7, a time of day or a year in field 8, and a name behind.
bool FixedFieldsFit(std::string_view line, const FieldStarts& fields) {
  std::optional<std::size_t> size = fields(5), month = fields(6), day = fields(7), time = fields(8);
  if (!fields(9) || !size || !month || !day || !time) return false;
  if (!AllDigitsUpTo(line.substr(*size), FieldEnd(line, *size) - *size)) return false;
  if (FieldEnd(line, *month) - *month != 3 || MonthNumber(line, *month) == 0) return false;
  std::size_t dayLength = FieldEnd(line, *day) - *day;
  if (dayLength > 2 || !AllDigitsUpTo(line.substr(*day), dayLength)) return false;
  std::string_view timeField = line.substr(*time, FieldEnd(line, *time) - *time);
  std::size_t colon = timeField.find(':');
  if (colon == std::string_view::npos) return timeField.size() <= 4 && AllDigitsUpTo(timeField, timeField.size());
  return (colon == 1 || colon == 2) && timeField.size() == colon + 3 && AllDigitsUpTo(timeField, colon) &&
         IsDigit(timeField[colon + 1]) && IsDigit(timeField[colon + 2]);
}

bool IsDirectoryLine(char type, std::string_view line, const ListingContext& context) {
  return type == 'd' || type == 'D' || (context.Options.VLink && (type == 'l' || type == 'L')) || HasDirMarker(line);
}

void AddDirectory(std::string name, const ListingContext& context) {
  RemoveTrailingSlash(name);
  std::int32_t kind = CutAtText(name, " ->") ? LinkKind : DirectoryKind;
  AddDirEntry(context, name, kind);
}

}  // namespace

bool BuildLineByFoundFields(std::string& line, const ListingContext& context) {
  Words words = SplitWords(line);
  if (words.Count < 3) return false;
  std::optional<DateGroup> group = FindDateGroup(line, words, 1, context.Today, NumericDateOrder::DayFirst);
  if (!group) return false;
  std::string name = line.substr(words.Items[group->LastWord].End + 1);
  if (name.empty()) return false;
  char type = line[words.Items[0].Start];
  if (IsDirectoryLine(type, line, context)) {
    AddDirectory(std::move(name), context);
    return true;
  }
  // The size stands in front of the date; the type word is never it.
  std::uint64_t size = 0;
  if (group->FirstWord >= 2) {
    std::string_view sizeWord = words.Text(line, group->FirstWord - 1);
    size = ReadSizeWord(sizeWord).value_or(TrailingDigits(sizeWord).value_or(0));
  }
  std::int32_t kind = CutAtText(name, " ->") ? LinkKind : FileKind;
  const EntryDate& date = group->Date;
  AddDatedFileEntry(context, name, MakeNormalisedInfo(date.Year, date.Month, date.Day, date.Hour, date.Minute, size),
                    kind);
  return true;
}

void BuildUnixLine(std::string& line, const ListingContext& context) {
  if (platform::StartsWithIgnoreCase(line, "total")) return;
  FieldStarts fields = FindFieldStarts(line, 9);
  bool fits = FixedFieldsFit(line, fields);
  if (!fits && BuildLineByFoundFields(line, context)) return;

  std::optional<std::size_t> ninth = fields(9);
  bool dated = ninth.has_value();
  // The name is all that follows the blank behind the time or year: leading
  // blanks of a name are part of it.
  std::size_t nameStart = fits ? FieldEnd(line, *fields(8)) + 1 : (dated ? *ninth : LastFieldStart(line));
  std::string name = line.substr(nameStart);
  if (name.empty()) return;

  if (IsDirectoryLine(line.front(), line, context)) {
    AddDirectory(std::move(name), context);
    return;
  }

  TerminateBeforeName(line, nameStart);
  std::int32_t kind = CutAtText(name, " ->") ? LinkKind : FileKind;
  if (dated) {
    std::optional<std::size_t> sizeField = fields(5);  // in front of the name: the same after terminating
    std::uint64_t size = sizeField ? ReadNumber(line, *sizeField) : 0;
    NormalisedInfo info = NormaliseByFields(line, 8, 6, 7, 8, 5, context.Options.HostType, context.Today);
    if (size != 0) info.Size = size;
    AddDatedFileEntry(context, name, info, kind);
  } else {
    AddFileEntry(context, name, line, 0, kind);
  }
}

}  // namespace korval::listing
