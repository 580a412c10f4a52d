// MAC Peter Server: UNIX-like lines whose name starts at column 54:
//
//   drwxrwxrwx               folder        0 May 22 14:05 Projects
//   -rw-rw-rw-  TEXTttxt  1803      0   1803 May 22 14:05 readme.txt

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
constexpr std::size_t NameColumn = 54;
}

void ApplyPeterRules(std::string& line, const ListingContext& context) {
  if (line.size() <= NameColumn) return;
  std::string_view name = TextFrom(line, NameColumn);
  if (line.front() == 'd') {
    AddDirEntry(context, name);
  } else if (line.front() == '-') {
    AddFileEntry(context, name, {});
  }
}

}  // namespace korval::listing
