// Stratus VOS: "Files:", "Dirs:" and "Links:" open the sections; the name
// is the last field, a link's target follows "->":
//
//   Files: 2  Blocks: 12
//   w        4  seq       96-05-22 14:05:12  readme.txt
//   w        8  rel       96-01-03 09:30:00  data.table
//   Dirs: 1
//   m        2  96-05-22 14:05:12  projects
//   Links: 2
//            96-05-22 14:05:12  latest -> %sys#m1>joe>release

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

VosSectionState& TheVosSectionState() {
  static VosSectionState state;
  return state;
}

void ClearVosSectionState() { TheVosSectionState() = VosSectionState{}; }

void ApplyVosRules(std::string& line, const ListingContext& context) {
  VosSectionState& section = TheVosSectionState();
  if (StartsWith(line, "Files:")) {
    section = VosSectionState{true, false, false};
    return;
  }
  if (StartsWith(line, "Dirs:")) {
    section = VosSectionState{false, true, false};
    return;
  }
  if (StartsWith(line, "Links:")) {
    section = VosSectionState{false, false, true};
    return;
  }
  if (line.size() <= 20) return;
  std::size_t nameStart = LastFieldStart(line);
  std::string name = line.substr(nameStart);
  TerminateBeforeName(line, nameStart);

  if (section.Files) {
    AddFileEntry(context, name, line);
  } else if (section.Directories) {
    AddDirEntry(context, name);
  } else if (section.Links) {
    TrimTrailingBlanks(line);
    if (line.size() >= 2 && line[line.size() - 2] == '-') {
      line.resize(line.size() - 2);
      TrimTrailingBlanks(line);
      nameStart = LastFieldStart(line);
      name = line.substr(nameStart);
      TerminateBeforeName(line, nameStart);
    }
    if (context.Options.VLink) {
      AddDirEntry(context, name);
    } else {
      AddFileEntry(context, name, line, 0, LinkKind);
    }
  }
}

}  // namespace korval::listing
