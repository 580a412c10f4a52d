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
//
// Lines whose columns moved are read by their fields: the data set name is
// the last word, the organisation in front of it ("PO" or "PO-E" is a
// directory); migrated, VSAM and tape data sets are files; a member with
// statistics has "VV.MM" as its second word:
//
//   WORK01 3390 2003/05/22 1 15 FB 80 27920 PO JOE.SOURCE.CNTL
//   Migrated JOE.OLD.DATA
//   WORK02 3390   VSAM  JOE.KSDS
//   Pseudo Directory  JOE.SUB
//   MEMBER12 01.03 2003/05/20 2003/05/22 14:05 120 100 0 JOE

#include "listing/field_finder.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
constexpr std::size_t DataSetNameColumn = 54;
constexpr std::size_t MemberColumns = 9;
constexpr std::size_t MemberNameCapacity = 8;

bool IsDataSetLine(std::string_view line) {
  return line.size() > DataSetNameColumn && !StartsWith(line, "Migrated") && line.front() != ' ' &&
         !Contains(line, "Not Direct Acc") && !Contains(line, " VSAM ") && !Contains(line, "Lrecl");
}

// The fixed rule's columns hold the line: the name is one word at column 54.
bool DataSetColumnsFit(std::string_view line) {
  return line[DataSetNameColumn - 1] == ' ' && line[DataSetNameColumn] != ' ' &&
         TextFrom(line, DataSetNameColumn).find(' ') == std::string_view::npos;
}

// "01.03": a member's version and modification level.
bool IsVersionWord(std::string_view word) {
  return word.size() == 5 && IsDigit(word[0]) && IsDigit(word[1]) && word[2] == '.' && IsDigit(word[3]) &&
         IsDigit(word[4]);
}

// "2003/05/22": a referred date.
bool IsReferredDate(std::string_view word) {
  return word.size() == 10 && word[4] == '/' && word[7] == '/' && EndOfNumber(word, 0) == 4;
}

// A line read by its words; false when it is of no shape known here.
bool ReadByWords(std::string_view line, const ListingContext& context) {
  Words words = SplitWords(line);
  if (words.Count < 2) return false;
  std::string_view first = words.Text(line, 0);
  if (first.size() <= MemberNameCapacity && IsVersionWord(words.Text(line, 1))) {
    AddFileEntry(context, first, line.substr(words.Items[1].Start));
    return true;
  }
  std::size_t last = words.Count - 1;
  std::string_view name = words.Text(line, last);
  if (first == "Migrated" || Contains(line, "Not Direct Acc") || Contains(line, " VSAM ")) {
    AddFileEntry(context, name, {});
    return true;
  }
  if (first == "Pseudo" && words.Text(line, 1) == "Directory") {
    AddDirEntry(context, name);
    return true;
  }
  if (words.Count < 4 || !IsReferredDate(words.Text(line, 2))) return false;
  std::string_view organisation = words.Text(line, last - 1);
  if (organisation == "PO" || organisation == "PO-E") {
    AddDirEntry(context, name);
    return true;
  }
  AddFileEntry(context, name, TrimTrailingBlanks(line.substr(0, words.Items[last].Start)));
  return true;
}
}  // namespace

void ApplyMvsRules(std::string& line, const ListingContext& context) {
  bool dataSetLine = IsDataSetLine(line);
  if (!(dataSetLine && DataSetColumnsFit(line)) && !line.empty() && line.front() != ' ' && !Contains(line, "Lrecl") &&
      ReadByWords(line, context))
    return;
  if (dataSetLine) {
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
