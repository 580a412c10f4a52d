// IBM R1000 (Rational): the object name first; its class says directory,
// world, session or file:
//
//   DOCS              DIRECTORY   96/05/22 14:05
//   PROJECTS          WORLD       96/05/20 09:30
//   S_1               SESSION     96/05/22 14:05
//   README            TEXT        96/05/22 14:05  1803

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyR1000Rules(std::string& line, const ListingContext& context) {
  std::string_view name = FirstWord(line, true);
  std::string_view rest = RestAfterFirstWord(line, true);
  if (Contains(rest, "DIRECTORY") || Contains(rest, "WORLD")) {
    AddDirEntry(context, name);
  } else if (!Contains(rest, "SESSION")) {
    AddFileEntry(context, name, rest);
  }
}

}  // namespace korval::listing
