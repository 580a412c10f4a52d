// QVT/Net 4.0 lines: the name, the size ending near column 44, then a
// numeric date with a four-digit year and a time:
//
//   readme.txt                               1803 05-22-1996 14:05
//   docs                                    [dir] 01-03-1996 09:30
//   annual report.doc                       40960 12-01-1995 21:15

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"

namespace korval::listing {

namespace {
constexpr std::size_t SizeColumn = 44;
}

void BuildQvtLine(std::string& line, const ListingContext& context) {
  if (line.size() <= SizeColumn) return;
  std::size_t sizeStart = SizeColumn;
  while (sizeStart > 0 && !IsBlank(line[sizeStart])) --sizeStart;
  if (!IsBlank(line[sizeStart])) return;  // no blank in front of the size: no name either
  std::size_t nameEnd = sizeStart;
  while (nameEnd > 0 && IsBlank(line[nameEnd - 1])) --nameEnd;
  std::string name = line.substr(0, nameEnd);
  std::string_view sizeField = TextFrom(line, sizeStart);
  if (Contains(sizeField, "[dir]")) {
    AddDirEntry(context, name, DirectoryKind);
    return;
  }

  std::uint64_t size = ReadNumberAfterBlanks(line, sizeStart);
  std::uint64_t month = 0, day = 0, year = 0, hour = 0, minute = 0;
  std::size_t cursor = sizeStart;
  while (cursor < line.size() && IsBlank(line[cursor])) ++cursor;
  cursor = EndOfNumber(line, cursor);
  // Month after the next space, day after the next '-', the year's last two
  // digits three characters after the following '-', then hour and minute.
  if (std::size_t space = line.find(' ', cursor); space != std::string::npos) {
    month = ReadNumber(line, space + 1);
    cursor = EndOfNumber(line, space + 1);
    if (std::size_t dash = line.find('-', cursor); dash != std::string::npos) {
      day = ReadNumber(line, dash + 1);
      cursor = EndOfNumber(line, dash + 1);
      if (std::size_t secondDash = line.find('-', cursor); secondDash != std::string::npos) {
        year = ReadNumber(line, secondDash + 3);
        cursor = EndOfNumber(line, secondDash + 3);
        while (cursor < line.size() && IsBlank(line[cursor])) ++cursor;
        hour = ReadNumber(line, cursor);
        minute = ReadNumber(line, cursor + 3);
      }
    }
  }
  AddDatedFileEntry(context, name, NormaliseShownDate(year, month, day, hour, minute, size, context.Today));
}

}  // namespace korval::listing
