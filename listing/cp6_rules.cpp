// BULL CP6: the information in columns 0-42, the name from column 43 on:
//
//   Account :JOE   Files listed 2      (last modified order)
//   96-05-22 14:05  1803 RECS   ORG=CONSEC     README
//   96-01-03 09:30 40960 RECS   ORG=KEYED        INDEX_FILE  extra

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
constexpr std::size_t NameColumn = 43;
}

void ApplyCp6Rules(std::string& line, const ListingContext& context) {
  if (line.size() <= 44 || Contains(line, "t modified") || Contains(line, "s listed") || line[2] == ':') return;
  std::string_view name = SkipLeadingSpaces(TextFrom(line, NameColumn));
  name = name.substr(0, name.find(' '));
  std::string_view info = std::string_view(line).substr(0, NameColumn);
  AddFileEntry(context, name, info);
}

}  // namespace korval::listing
