// Tandem (Guardian): the file name in columns 0-9, the information from 11:
//
//   File         Code          EOF  Last Modification    Owner  RWEP
//   README        101        1803  22-May-96 14:05:12  100,12 "NUNU"
//   OBJPROG       100       40960   3-Jan-96 09:30:00  100,12 "NUNU"

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyTandemRules(std::string& line, const ListingContext& context) {
  if (StartsWith(line, "File")) return;
  std::string info(TextFrom(line, 11));
  CutAt(line, 10);
  TrimTrailingBlanks(line);
  AddFileEntry(context, line, info);
}

}  // namespace korval::listing
