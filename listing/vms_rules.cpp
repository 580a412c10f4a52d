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
//
// A file's size is its used blocks times 512 bytes ("4/6" is 2,048), its
// date with or without a time of day; an owner may stand before the size.
// A name alone on its line takes its attributes from the next line:
//
//   README.TXT;3  [JOE]       4/6        22-MAY-1996 14:05:12.34
//   NOTES.TXT;1               1/3        22-MAY-1996

#include "listing/date_normalisation.h"
#include "listing/field_finder.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"
#include "platform/text.h"

namespace korval::listing {

namespace {
constexpr std::uint32_t RsxHostType = 6019;
constexpr std::uint64_t BlockSize = 512;

// "4/6", "4" or "4.": the blocks a file uses (and has allocated).
std::optional<std::uint64_t> UsedBlocks(std::string_view word) {
  std::size_t end = EndOfNumber(word, 0);
  if (end == 0 || word.front() == ' ') return std::nullopt;
  std::string_view rest = word.substr(end);
  if (!(rest.empty() || rest == "." || (rest.front() == '/' && rest.size() > 1 &&
                                        EndOfNumber(rest, 1) == rest.size())))
    return std::nullopt;
  return ReadNumber(word, 0);
}

// A file with the attributes its line gives: the date and the used blocks
// normalised when the date is there, else the attributes as they stand.
void AddVmsFile(const ListingContext& context, std::string_view name, std::string_view attributes) {
  Words words = SplitWords(attributes);
  std::optional<std::uint64_t> blocks;
  std::optional<DateGroup> date;
  for (std::size_t i = 0; i < words.Count && !date; ++i) {
    if (!blocks) blocks = UsedBlocks(words.Text(attributes, i));
    date = ReadDateGroup(attributes, words, i, context.Today, NumericDateOrder::DayFirst);
  }
  if (!date) {
    AddFileEntry(context, name, attributes);
    return;
  }
  std::uint64_t used = blocks.value_or(0);
  std::uint64_t size = used > UINT64_MAX / BlockSize ? UINT64_MAX : used * BlockSize;
  const EntryDate& when = date->Date;
  AddDatedFileEntry(context, name, MakeNormalisedInfo(when.Year, when.Month, when.Day, when.Hour, when.Minute, size));
}

// The name of a file line: through the ';' and the version digits, up to a
// blank; without the current directory in front (not on RSX-11M).
std::string_view FileName(std::string_view line, std::size_t semicolon, const ListingContext& context) {
  std::size_t nameEnd = semicolon + 1;
  while (nameEnd < line.size() && (line[nameEnd] == ';' || IsDigit(line[nameEnd]))) ++nameEnd;
  std::string_view name = line.substr(0, nameEnd);
  name = name.substr(0, name.find(' '));
  name = name.substr(0, name.find('\t'));
  const std::string& remoteDir = context.Options.RemoteDir;
  if (context.Options.HostType != RsxHostType && StartsWith(name, remoteDir)) name.remove_prefix(remoteDir.size());
  return name;
}
}  // namespace

void ApplyVmsRules(std::string& line, const ListingContext& context) {
  if (!context.HeldLine.empty()) {
    // A name alone on its line: this line continues it, or it stands alone.
    std::string held = std::move(context.HeldLine);
    context.HeldLine.clear();
    std::string_view name = FileName(held, held.find(';'), context);
    if (!line.empty() && IsBlank(line.front())) {
      AddVmsFile(context, name, SkipLeadingBlanks(line));
      return;
    }
    AddFileEntry(context, name, {});
  }
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
  if (info.empty() && line.find_first_of(" \t") == std::string::npos) {
    context.HeldLine = line;  // its attributes may follow on the next line
    return;
  }
  AddVmsFile(context, FileName(line, semicolon, context), info);
}

}  // namespace korval::listing
