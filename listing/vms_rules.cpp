// VMS rules (MultiNet, UCX, and PDP-11 RSX-11M): names carry a version after
// ';'; a name ending in ".DIR" is a directory; wrapped entries continue on a
// line that begins with a space:
//
//   Directory DISK$USER:[JOE]
//   DOCS.DIR;1                1/3        22-MAY-1996 14:05  [JOE]  (RWE,RWE,RE,E)
//   README.TXT;3              4/6        22-MAY-1996 14:05  [JOE]  (RWED,RWED,RE,)
//   A_VERY_LONG_FILE_NAME.DATA;12
//                            12/12       03-JAN-1996 09:30  [JOE]  (RWED,RWED,RE,)
//   Total of 3 files, 17/24 blocks.
//
// RSX-11M lists user directories as six characters, group and member:
//
//   200001.DIR;1              2.         22-MAY-96 14:05

#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"
#include "platform/text.h"

namespace korval::listing {

namespace {
constexpr std::uint32_t RsxHostType = 6019;
}

void ApplyVmsRules(std::string& line, const ListingContext& context) {
  if (line.empty() || line.front() == ' ') return;
  std::size_t semicolon = line.find(';');
  if (semicolon == std::string::npos) return;
  const std::string& remoteDir = context.Options.RemoteDir;
  bool rsx = context.Options.HostType == RsxHostType;

  std::string_view front = std::string_view(line).substr(0, semicolon);
  if (front.size() > 4 && front.substr(front.size() - 4) == ".DIR") {
    std::string_view directory = front.substr(0, front.size() - 4);
    if (rsx) {
      // A user identification code directory: "[ggg,mmm]".
      std::string_view group = directory.substr(0, 3);
      std::string_view member = TextFrom(directory, 3).substr(0, 3);
      std::string name;
      name.append("[").append(group).append(",").append(member).append("]");
      AddDirEntry(context, name);
    } else {
      if (StartsWith(directory, remoteDir)) directory.remove_prefix(remoteDir.size());
      AddDirEntry(context, directory);
    }
    return;
  }

  std::string_view info = RestAfterFirstWord(line, false);
  std::size_t nameEnd = semicolon + 1;
  while (nameEnd < line.size() && (line[nameEnd] == ';' || IsDigit(line[nameEnd]))) ++nameEnd;
  std::string_view name = std::string_view(line).substr(0, nameEnd);
  name = name.substr(0, name.find(' '));
  name = name.substr(0, name.find('\t'));
  if (!rsx && StartsWith(name, remoteDir)) name.remove_prefix(remoteDir.size());
  AddFileEntry(context, name, info);
}

}  // namespace korval::listing
