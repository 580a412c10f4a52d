// OS-9: the name is the last field, the attributes at column 26 ('d' for a
// directory), the information from column 10:
//
//                                Directory of /h0/JOE  14:05:12
//   Owner    Last modified  Attributes Sector Bytecount Name
//   -----    -------------  ---------- ------ --------- ----
//     0.12    96/05/22 1405   ------wr   4A        1803 readme.txt
//     0.12    96/01/03 0930   d-ewrewr   5C         160 CMDS

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

void ApplyOs9Rules(std::string& line, const ListingContext& context) {
  if (Contains(line, "Directory") || Contains(line, "Owner")) return;
  if (line.size() > 1 && line[1] == '-') return;
  std::size_t nameStart = LastFieldStart(line);
  std::string name = line.substr(nameStart);
  TerminateBeforeName(line, nameStart);
  if (line.size() > 26 && line[26] == 'd') {
    AddDirEntry(context, name);
  } else {
    AddFileEntry(context, name, TextFrom(line, 10));
  }
}

}  // namespace korval::listing
