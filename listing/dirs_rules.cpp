// "Dirs:" rules (IBM PC TCP/IP, Amiga, FTP PC/TCP cut at column 30): the name
// is the last field; the text in front of it, squeezed, is the information:
//
//   Dirs: 2 Files: 3
//          1803      A    05-22-96   14:05  README.TXT
//             0 DIR       01-03-96    9:30  DOCS
//   drwxr-x---    0 Jan 03 09:30 devs

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"
#include "platform/text.h"

namespace korval::listing {

void ApplyDirsRules(std::string& line, const ListingContext& context) {
  if (platform::StartsWithIgnoreCase(line, "Dirs:")) return;
  std::size_t nameStart = LastFieldStart(line);
  std::string name = line.substr(nameStart);
  if (name.empty()) return;
  if (HasDirMarker(line) || StartsWith(line, "drwx") || StartsWith(line, "dr-")) {
    AddDirEntry(context, name);
    return;
  }
  TerminateBeforeName(line, nameStart);
  // Tabs become spaces, runs of spaces shrink to one, dashes go.
  std::string info;
  info.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i] == '\t' ? ' ' : line[i];
    char next = i + 1 < line.size() ? (line[i + 1] == '\t' ? ' ' : line[i + 1]) : '\0';
    if (c == '-' || (c == ' ' && next == ' ')) continue;
    info.push_back(c);
  }
  AddFileEntry(context, name, info);
}

}  // namespace korval::listing
