// First-word rules (Chameleon, NCSA/CUTCP, Super TCP, HP/3000, TGV MultiNet,
// FTP PC/TCP 3.0): the name is the first word, the information starts at
// column 14, a directory marker makes a directory:
//
//   README.TXT    1803  5/22/96  14:05
//   DOCS          <DIR> 1/03/96   9:30
//   Files matching "*.*": 2

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyFirstWordRules(std::string& line, const ListingContext& context) {
  if (HasDirMarker(line)) {
    AddDirEntry(context, FirstWord(line, false));
    return;
  }
  if (StartsWith(line, "Files match") || StartsWith(line, "Directories match")) return;
  AddFileEntry(context, FirstWord(line, false), TextFrom(line, 14));
}

}  // namespace korval::listing
