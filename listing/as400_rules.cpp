// IBM AS/400: only members count; the name stands in front of "*MEM":
//
//   QPGMR          16384 05/22/96 14:05:00 *FILE      QCLSRC
//   QCLSRC.MBR1                            *MEM

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyAs400Rules(std::string& line, const ListingContext& context) {
  if (!CutAtText(line, "*MEM")) return;
  std::size_t nameStart = LastFieldStart(line);
  AddFileEntry(context, TextFrom(line, nameStart), {});
}

}  // namespace korval::listing
