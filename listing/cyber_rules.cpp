// CDC Cyber: only file lines with a digit in column 36 or 37 count; the
// name fills columns 0-13:
//
//   CATALOG OF JOE         FM/CYBER     AB 96/05/22. 14.05.12.
//    README       INDIRECT    READ    1803  96/05/22.  PUBLIC
//    PROG1        DIRECT      WRITE 40960   96/01/03.  PRIVATE

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyCyberRules(std::string& line, const ListingContext& context) {
  if (line.size() <= 40 || !(IsDigit(line[36]) || IsDigit(line[37]))) return;
  CutAt(line, 14);
  TrimTrailingBlanks(line);  // the name column's padding
  AddFileEntry(context, SkipLeadingSpaces(line), {});
}

}  // namespace korval::listing
