// NetWare v4 lines: rights in brackets, the year in its own field and a time
// with an am/pm marker:
//
//   d [RWCEAFMS] JOE        users        512 May 22 96  2:05 pm PUBLIC
//   - [RWCEAFMS] JOE        users       1803 May 22 96 12:30 am README.TXT
//   - [R----F--] SUPERVISOR admin      40960 Dec  1 95  9:15 PM SYS LOG.ERR

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "platform/text.h"

namespace korval::listing {

void BuildNetWareLine(std::string& line, const ListingContext& context) {
  if (platform::StartsWithIgnoreCase(line, "total")) return;
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
