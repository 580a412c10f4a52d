// Microsoft NT servers, in either of their two layouts. UNIX-like lines carry
// the name at column 59, DOS-like lines at column 39:
//
//   -rwxrwxrwx   1 owner    group            1803 May 22 14:05 readme.txt
//   drwxrwxrwx   1 owner    group               0 Jan  3  1996 docs
//   05-22-96  02:05PM                 1803 readme2.txt
//   01-03-96  09:30AM       <DIR>          projects

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"

namespace korval::listing {

void BuildNtLine(std::string& line, const ListingContext& context) {
  if (line.empty()) return;
  bool unixLike = line.front() == 'd' || line.front() == '-';
  std::size_t nameColumn = unixLike ? 59 : 39;
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
