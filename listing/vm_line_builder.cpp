// IBM VM (CMS) lines: file name and file type in columns 0-17, the record
// format, record length at column 23, record count at column 31, and the date
// at column 53:
//
//   PROFILE  EXEC     A1 V     80        12      1        5/22/96 14:05:00 JOE191
//   README   MEMO     A1 F     80       100      2        1/03/96  9:30:12 JOE191
//   TOOLS    DIR      A1 F      0         0      0        1/03/96  9:30:12 JOE191

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"

#include <limits>

namespace korval::listing {

namespace {
constexpr std::size_t NameColumns = 18;
constexpr std::size_t DateColumn = 53;

// "month/day/year hour:minute" at `at`; the fields after the first mismatch stay 0.
void ReadVmDate(std::string_view line, std::size_t at, std::uint64_t (&values)[5]) {
  static constexpr char separators[4] = {'/', '/', ' ', ':'};
  for (int field = 0; field < 5; ++field) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size() || !IsDigit(line[at])) return;
    values[field] = ReadNumber(line, at);
    at = EndOfNumber(line, at);
    if (field == 4) return;
    if (separators[field] == ' ') continue;  // a blank matches any run of blanks, even none
    if (at >= line.size() || line[at] != separators[field]) return;
    ++at;
  }
}

std::uint64_t SaturatingProduct(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) return std::numeric_limits<std::uint64_t>::max();
  return a * b;
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }
}  // namespace

void BuildVmLine(std::string& line, const ListingContext& context) {
  bool directory = Contains(line, " DIR ");
  std::string name = line.substr(0, NameColumns);
  TrimTrailingBlanks(name);
  if (std::size_t space = name.find(' '); space != std::string::npos) {
    name[space] = '.';
    std::size_t blanksEnd = space + 1;
    while (blanksEnd < name.size() && IsBlank(name[blanksEnd])) ++blanksEnd;
    name.erase(space + 1, blanksEnd - space - 1);
  }

  std::uint64_t date[5] = {0, 0, 0, 0, 0};
  ReadVmDate(line, DateColumn, date);
  std::uint64_t size = SaturatingProduct(ReadNumberAfterBlanks(line, 31), ReadNumberAfterBlanks(line, 23));
  NormalisedInfo info = NormaliseShownDate(date[2], date[0], date[1], date[3], date[4], size, context.Today, 8);

  if (name.empty() || IsBlank(name.front())) return;
  if (directory) {
    AddDirEntry(context, name, DirectoryKind);
    return;
  }
  const std::string& remoteDir = context.Options.RemoteDir;
  if (StartsWith(name, remoteDir)) {
    name.erase(0, remoteDir.size());
  } else if (name.front() == '.' || IsControl(name.front())) {
    name.erase(0, 1);
    std::erase(name, ' ');
  }
  AddDatedFileEntry(context, name, info);
}

}  // namespace korval::listing
