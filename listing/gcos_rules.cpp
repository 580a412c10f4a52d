// BULL GCOS: " d " or " - " in front, the name as the last field, the
// information from column 14:
//
//    d  JOE       96/05/22  14:05  CATALOG
//    -  JOE       96/05/22  14:05  1803  README

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyGcosRules(std::string& line, const ListingContext& context) {
  std::size_t nameStart = LastFieldStart(line);
  std::string name = line.substr(nameStart);
  TerminateBeforeName(line, nameStart);
  if (line.size() <= 3 || name.empty()) return;
  if (StartsWith(line, " d ")) {
    AddDirEntry(context, name);
  } else if (StartsWith(line, " - ")) {
    AddFileEntry(context, name, TextFrom(line, 14));
  }
}

}  // namespace korval::listing
