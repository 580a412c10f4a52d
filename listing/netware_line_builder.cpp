// NetWare v4 lines: rights in brackets, the year in its own field and a time
// with an am/pm marker:
//
//   d [RWCEAFMS] JOE        users        512 May 22 96  2:05 pm PUBLIC
//   - [RWCEAFMS] JOE        users       1803 May 22 96 12:30 am README.TXT
//   - [R----F--] SUPERVISOR admin      40960 Dec  1 95  9:15 PM SYS LOG.ERR
//
// and as NetWare servers also write them, without a group, with a time of
// day or a year, read by the date group and the size in front of it:
//
//   d [RWCEAFMS] JOE                512 May 22 14:05 PUBLIC
//   - [RWCEAFMS] JOE               1803 May 22  1996 read me.txt

#include "listing/date_normalisation.h"
#include "listing/field_finder.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "platform/text.h"

namespace korval::listing {

namespace {
// The fixed fields fit: a month name in field 6, a year in field 8, h:mm in
// field 9, an am/pm marker in field 10 and a name behind.
bool FixedFieldsFit(std::string_view line) {
  FieldStarts fields = FindFieldStarts(line, 11);
  if (!fields(11)) return false;
  std::string_view month = FieldText(line, 6), year = FieldText(line, 8), time = FieldText(line, 9),
                   marker = FieldText(line, 10);
  unsigned hour = 0, minute = 0;
  return month.size() == 3 && MonthNumber(month, 0) != 0 && !year.empty() && EndOfNumber(year, 0) == year.size() &&
         ReadClock(time, hour, minute) && !marker.empty() &&
         (marker.front() == 'a' || marker.front() == 'A' || marker.front() == 'p' || marker.front() == 'P');
}
}  // namespace

void BuildNetWareLine(std::string& line, const ListingContext& context) {
  if (platform::StartsWithIgnoreCase(line, "total")) return;
  if (!FixedFieldsFit(line) && BuildLineByFoundFields(line, context)) return;
  std::optional<std::size_t> eleventh = FieldStart(line, 11);
  std::size_t nameStart = eleventh ? *eleventh : LastFieldStart(line);
  std::string name = line.substr(nameStart);
  if (name.empty()) return;
  if (line.front() == 'd' || line.front() == 'D') {
    AddDirEntry(context, name, DirectoryKind);
    return;
  }
  std::optional<std::size_t> sizeField = FieldStart(line, 5);
  std::uint64_t size = sizeField ? ReadNumber(line, *sizeField) : 0;
  TerminateBeforeName(line, nameStart);
  NormalisedInfo info = NormaliseByFields(line, 8, 6, 7, 9, 5, context.Options.HostType, context.Today);
  if (size != 0) info.Size = size;
  AddDatedFileEntry(context, name, info);
}

}  // namespace korval::listing
