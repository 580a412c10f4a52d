// IBM Spartacus KNET: the name in columns 0-22, the information from 24:
//
//   JOE.README.TEXT         PS  FB  80  6160  96/05/22

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplySpartacusRules(std::string& line, const ListingContext& context) {
  std::string info(SkipLeadingSpaces(TextFrom(line, 24)));
  CutAt(line, 23);
  TrimTrailingBlanks(line);
  std::string_view name = SkipLeadingSpaces(line);
  if (name.size() >= 2) AddFileEntry(context, name, info);
}

}  // namespace korval::listing
