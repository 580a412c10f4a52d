// IBM MVS: data set lines with the data set name at column 54, partitioned
// data sets (" PO ") as directories; member lists with statistics or names
// alone:
//
//   Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname
//   WORK01 3380   1996/05/22  1   15  FB    80  6160  PO  JOE.CNTL
//   WORK01 3380   1996/05/22  1   2   FB    80  6160  PS  JOE.README.TEXT
//   Migrated                                              JOE.OLD.DATA
//
//    Name     VV.MM   Created       Changed      Size  Init   Mod   Id
//   MEMBER1   01.03 1996/05/20 1996/05/22 14:05   120   100     0 JOE
//   MEMBER2

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
constexpr std::size_t DataSetNameColumn = 54;
constexpr std::size_t MemberColumns = 9;

bool IsDataSetLine(std::string_view line) {
  return line.size() > DataSetNameColumn && !StartsWith(line, "Migrated") && line.front() != ' ' &&
         !Contains(line, "Not Direct Acc") && !Contains(line, " VSAM ") && !Contains(line, "Lrecl");
}
}  // namespace

void ApplyMvsRules(std::string& line, const ListingContext& context) {
  if (IsDataSetLine(line)) {
    if (Contains(line, " PO ")) {
      AddDirEntry(context, TextFrom(line, DataSetNameColumn));
    } else if (line[MemberColumns] == ' ' && IsDigit(line[MemberColumns + 1])) {
      std::string info(TextFrom(line, MemberColumns + 1));
      CutAt(line, MemberColumns);
      TrimTrailingBlanks(line);  // the member column's padding
      AddFileEntry(context, line, info);
    } else {
      std::string name(TextFrom(line, DataSetNameColumn));
      CutAt(line, DataSetNameColumn - 1);
      AddFileEntry(context, name, line);
    }
    return;
  }
  if (line.empty() || line.front() == ' ') return;
  // A member name alone ends before column 9 once its trailing blanks are gone.
  if (line.size() <= MemberColumns || line[MemberColumns] == ' ') {
    CutAt(line, MemberColumns);
    TrimTrailingBlanks(line);
    AddFileEntry(context, line, {});
  }
}

}  // namespace korval::listing
