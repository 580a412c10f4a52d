// IBM AS/400 (OS/400): object lines give the owner, the size, the date and
// time, the object type and the name; *DIR and *LIB are directories, every
// other type (*FILE, *STMF, *PGM, *MEM ...) a file. The date is MM/DD/YY,
// DD/MM/YY where the day is over 12, YY/MM/DD where the year is, or DD.MM.YY:
//
//   QSYS            18112 04/29/96 13:22:39 *DIR       QOpenSys/
//   QPGMR           16384 05/22/96 14:05:00 *FILE      QCLSRC
//   JOE              8192 22/05/96 14:05:12 *STMF      Read me.txt
//   JOE             20480 96/05/22 14:05:12 *LIB       MYLIB.LIB
//   JOE                                     *MEM       MYLIB.FILE/MBR1.MBR
//
// Member lists name the member in front of "*MEM":
//
//   QCLSRC.MBR1                            *MEM

#include "listing/date_normalisation.h"
#include "listing/field_finder.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {

bool IsObjectType(std::string_view word) {
  if (word.size() < 2 || word.front() != '*') return false;
  for (char c : word.substr(1))
    if (!((c >= 'A' && c <= 'Z') || IsDigit(c))) return false;
  return true;
}

// Three numbers split by '/' or '.'; false when the word is no such date.
bool ReadAs400Date(std::string_view word, CalendarDate today, unsigned& year, unsigned& month, unsigned& day) {
  if (word.size() != 8 || (word[2] != '/' && word[2] != '.') || word[5] != word[2]) return false;
  unsigned parts[3];
  for (int i = 0; i < 3; ++i) {
    std::string_view part = word.substr(static_cast<std::size_t>(3 * i), 2);
    if (!IsDigit(part[0]) || !IsDigit(part[1])) return false;
    parts[i] = static_cast<unsigned>((part[0] - '0') * 10 + (part[1] - '0'));
  }
  unsigned shownYear = parts[2];
  if (word[2] == '.') {  // DD.MM.YY
    day = parts[0];
    month = parts[1];
  } else if (parts[0] > 31) {  // YY/MM/DD
    shownYear = parts[0];
    month = parts[1];
    day = parts[2];
  } else if (parts[0] > 12) {  // DD/MM/YY
    day = parts[0];
    month = parts[1];
  } else {  // MM/DD/YY
    month = parts[0];
    day = parts[1];
  }
  year = FullYearOf(shownYear, 2, today);
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// An object line; false when the line is none (a member list's line).
bool ReadObjectLine(std::string_view line, const ListingContext& context) {
  Words words = SplitWords(line);
  std::size_t type = 1;
  while (type < words.Count && !IsObjectType(words.Text(line, type))) ++type;
  if (type + 1 >= words.Count) return false;
  std::string_view typeWord = words.Text(line, type);
  std::string name(line.substr(words.Items[type + 1].Start));
  // Size, date and time in front of the type, when the line gives them.
  std::uint64_t size = 0;
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0;
  bool dated = type == 4 && EndOfNumber(words.Text(line, 1), 0) == words.Text(line, 1).size() &&
               ReadAs400Date(words.Text(line, 2), context.Today, year, month, day) &&
               ReadClock(words.Text(line, 3), hour, minute);
  if (typeWord == "*MEM" && !dated && name.find('/') == std::string::npos) return false;
  if (typeWord == "*DIR" || typeWord == "*LIB") {
    RemoveTrailingSlash(name);
    AddDirEntry(context, name);
    return true;
  }
  if (!dated) {
    AddFileEntry(context, name, {});
    return true;
  }
  size = ReadNumber(words.Text(line, 1), 0);
  AddDatedFileEntry(context, name, MakeNormalisedInfo(year, month, day, hour, minute, size));
  return true;
}

}  // namespace

void ApplyAs400Rules(std::string& line, const ListingContext& context) {
  if (ReadObjectLine(line, context)) return;
  if (!CutAtText(line, "*MEM")) return;
  std::size_t nameStart = LastFieldStart(line);
  AddFileEntry(context, TextFrom(line, nameStart), {});
}

}  // namespace korval::listing
