// Tandem (HP NonStop Guardian): the file name, the file code, the end-of-file
// size, the date and time, the owner ("255, 0" or "255,255") and the
// security string:
//
//   File         Code          EOF  Last Modification    Owner  RWEP
//   README        101        1803  22-May-96 14:05:12  100,12 "NUNU"
//   OBJPROG       100       40960   3-Jan-96 09:30:00  255, 0 "NUNU"
//
// Lines of that shape get the date and size normalised, at any spacing;
// others keep the name in columns 0-9 and the information from 11.

#include "listing/date_normalisation.h"
#include "listing/field_finder.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
bool ReadByFields(std::string_view line, const ListingContext& context) {
  Words words = SplitWords(line);
  if (words.Count < 5) return false;
  std::string_view code = words.Text(line, 1);
  std::string_view eof = words.Text(line, 2);
  if (EndOfNumber(code, 0) == 0 || EndOfNumber(eof, 0) != eof.size()) return false;
  std::optional<DateGroup> group = ReadDateGroup(line, words, 3, context.Today, NumericDateOrder::DayFirst);
  if (!group || group->LastWord == group->FirstWord) return false;
  const EntryDate& date = group->Date;
  AddDatedFileEntry(context, words.Text(line, 0),
                    MakeNormalisedInfo(date.Year, date.Month, date.Day, date.Hour, date.Minute, ReadNumber(eof, 0)));
  return true;
}
}  // namespace

void ApplyTandemRules(std::string& line, const ListingContext& context) {
  if (StartsWith(line, "File")) return;
  if (ReadByFields(line, context)) return;
  std::string info(TextFrom(line, 11));
  CutAt(line, 10);
  TrimTrailingBlanks(line);
  AddFileEntry(context, line, info);
}

}  // namespace korval::listing
