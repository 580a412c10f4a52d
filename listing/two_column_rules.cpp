// Two-column rules (KA9Q/NOS): two entries a line, the left one in columns
// 0-39 and the right one from column 41; a name ending in '/' or '\' is a
// directory:
//
//   readme.txt    1803 14:05  5/22/96        public/       09:30  1/03/96
//   index.html    4410 09:12  1/04/96        logo.gif      2210 11:00  1/03/96
//   (Disk size 123456 bytes)

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
void AddColumnEntry(const ListingContext& context, std::string name, std::string_view info) {
  TrimTrailingBlanks(name);
  if (name.empty()) return;
  if (RemoveTrailingSlash(name)) {
    AddDirEntry(context, name);
  } else {
    AddFileEntry(context, name, info);
  }
}
}  // namespace

void ApplyTwoColumnRules(std::string& line, const ListingContext& context) {
  if (Contains(line, "Disk size")) return;
  if (line.size() > 41) {
    std::string right(std::string_view(line).substr(41, 13));
    std::string rightInfo(TextFrom(line, 55));
    CutAt(line, 40);
    AddColumnEntry(context, std::move(right), rightInfo);
  }
  if (line.size() > 12) {
    std::string left = line.substr(0, 13);
    AddColumnEntry(context, std::move(left), TextFrom(line, 14));
  }
}

}  // namespace korval::listing
