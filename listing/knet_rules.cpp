// IBM MVS/KNET: the data set name first (the user's prefix "UID." dropped),
// " PO " marks a partitioned data set:
//
//   JOE.CNTL        WORK01  PO  FB  80  6160  96/05/22
//   JOE.README.TEXT WORK01  PS  FB  80  6160  96/05/22

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyKnetRules(std::string& line, const ListingContext& context) {
  std::string_view name = FirstWord(line, true);
  std::string_view rest = RestAfterFirstWord(line, true);
  std::string prefix = context.Options.UserId + ".";
  if (StartsWith(name, prefix)) name.remove_prefix(prefix.size());
  if (Contains(rest, " PO ")) {
    AddDirEntry(context, name);
  } else {
    AddFileEntry(context, name, rest);
  }
}

}  // namespace korval::listing
