// SI NT FTPD: UNIX-like lines with the name as the last field; links show
// their target behind " ->":
//
//   drwxr-xr-x  1 owner  group     0 May 22 14:05 docs
//   -rw-r--r--  1 owner  group  1803 May 22 14:05 readme.txt
//   lrwxrwxrwx  1 owner  group    11 May 22 14:05 latest -> release

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
// The line cut at " ->", and the last field of what remains.
std::string NameInFrontOfArrow(std::string& line) {
  CutAtText(line, " ->");
  return line.substr(LastFieldStart(line));
}
}  // namespace

void ApplySiNtRules(std::string& line, const ListingContext& context) {
  std::size_t nameStart = LastFieldStart(line);
  std::string name = line.substr(nameStart);
  TerminateBeforeName(line, nameStart);
  if (line.size() <= 3 || name.empty()) return;

  char first = line.front();
  if (first == 'd' || first == 'D' || (context.Options.VLink && first == 'l') || HasDirMarker(line)) {
    RemoveTrailingSlash(name);
    if (Contains(line, " ->")) name = NameInFrontOfArrow(line);
    AddDirEntry(context, name);
  } else if (!context.Options.VLink && first == 'l' && Contains(line, " ->")) {
    name = NameInFrontOfArrow(line);
    AddFileEntry(context, name, line, 0, LinkKind);
  } else {
    AddFileEntry(context, name, line);
  }
}

}  // namespace korval::listing
