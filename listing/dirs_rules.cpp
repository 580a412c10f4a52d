// "Dirs:" rules (IBM PC TCP/IP, Amiga, FTP PC/TCP cut at column 30): the name
// is the last field; the text in front of it, squeezed, is the information:
//
//   Dirs: 2 Files: 3
//          1803      A    05-22-96   14:05  README.TXT
//             0 DIR       01-03-96    9:30  DOCS
//   drwxr-x---    0 Jan 03 09:30 devs
//
// OS/2 lines (a size, attribute letters, "DIR", a date whose year has two
// or three digits, "103" being 2003, and a time) are read by those fields,
// with the date and size normalised and the name the rest of the line:
//
//          1803      A    05-22-103  14:05  Read me first.txt
//             0 DIR       01-03-96    9:30  Program Files

#include "listing/date_normalisation.h"
#include "listing/field_finder.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"
#include "platform/text.h"

namespace korval::listing {

namespace {

constexpr std::uint32_t FtpPcTcpHostType = 6002;

// "A", "R", "HS": the attribute letters of an OS/2 line.
bool IsAttributeWord(std::string_view word) {
  if (word.empty() || word.size() > 4) return false;
  for (char c : word)
    if (c != 'A' && c != 'R' && c != 'H' && c != 'S') return false;
  return true;
}

bool ReadOs2Line(std::string_view line, const ListingContext& context) {
  Words words = SplitWords(line);
  if (words.Count < 4) return false;
  std::string_view sizeWord = words.Text(line, 0);
  if (EndOfNumber(sizeWord, 0) != sizeWord.size()) return false;
  std::uint64_t size = ReadNumber(sizeWord, 0);
  bool directory = false;
  std::size_t at = 1;
  for (; at < words.Count; ++at) {
    std::string_view word = words.Text(line, at);
    if (word == "DIR") {
      directory = true;
    } else if (!IsAttributeWord(word)) {
      break;
    }
  }
  std::optional<DateGroup> group = ReadDateGroup(line, words, at, context.Today, NumericDateOrder::MonthFirst);
  // The date and the time are two words; a name follows them.
  if (!group || group->LastWord == group->FirstWord || group->LastWord + 1 >= words.Count) return false;
  std::string name(line.substr(words.Items[group->LastWord + 1].Start));
  if (directory) {
    AddDirEntry(context, name);
    return true;
  }
  const EntryDate& date = group->Date;
  AddDatedFileEntry(context, name, MakeNormalisedInfo(date.Year, date.Month, date.Day, date.Hour, date.Minute, size));
  return true;
}

}  // namespace

void ApplyDirsRules(std::string& line, const ListingContext& context) {
  if (platform::StartsWithIgnoreCase(line, "Dirs:")) return;
  // FTP PC/TCP lines, cut at column 30, are no OS/2 lines.
  if (context.Options.HostType != FtpPcTcpHostType && ReadOs2Line(line, context)) return;
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
