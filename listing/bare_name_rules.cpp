// Bare-name rules: QVT/Net 2/3 lists the name as the first word, MAC NCSA the
// whole line is the name; a trailing '/' or '\' marks a folder:
//
//   readme.txt
//   Projects/
//   System Folder/

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
constexpr std::uint32_t QvtNet23HostType = 6013;
}

void ApplyBareNameRules(std::string& line, const ListingContext& context) {
  std::string name = context.Options.HostType == QvtNet23HostType ? std::string(FirstWord(line, false)) : line;
  if (RemoveTrailingSlash(name)) {
    AddDirEntry(context, name);
  } else {
    AddFileEntry(context, name, {});
  }
}

}  // namespace korval::listing
