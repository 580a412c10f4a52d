// MAC VersaTerm lines. Long lines lead the name with dots to the size column;
// the date is a month name, day, time with AM/PM and a year; a '/' ends a
// folder's name. Short lines carry only a name:
//
//   readme.txt..............................   1803      Wed May 22   2:05 PM 1996
//   Projects/...............................      0      Fri Jan  3   9:30 AM 1996
//   Notes/
//   Letter..

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"

namespace korval::listing {

namespace {
constexpr std::size_t LongLine = 77;
constexpr std::size_t NameEndColumn = 30;

// The text at `at` up to the first '\0': the builder ends names by clearing
// characters, as the line buffer's terminator would.
std::string_view UpToTerminator(std::string_view text, std::size_t at) {
  text = TextFrom(text, at);
  return text.substr(0, text.find('\0'));
}
}  // namespace

void BuildVersaTermLine(std::string& line, const ListingContext& context) {
  if (line.size() < LongLine) {
    std::size_t slash = line.find('/');
    std::size_t dots = line.find("..");
    if (slash != std::string::npos && (dots == std::string::npos || slash < dots)) {
      AddDirEntry(context, std::string_view(line).substr(0, slash), DirectoryKind);
    } else if (dots != std::string::npos) {
      AddFileEntry(context, std::string_view(line).substr(0, dots), {}, 0);
    }
    return;
  }

  std::size_t at = NameEndColumn;
  while (line[at] == '.') {
    line[at] = '\0';
    if (at == 0) break;
    --at;
  }
  if (line[at] == '/') {
    line[at] = '\0';
    AddDirEntry(context, UpToTerminator(line, 0), DirectoryKind);
    return;
  }
  std::size_t after = NameEndColumn + 1;
  for (; after < line.size() && line[after] == '.'; ++after) line[after] = '\0';
  for (; after < line.size(); ++after)
    if (line[after] == '.') line[after] = ' ';

  std::string name(UpToTerminator(line, 0));
  std::uint64_t size = ReadNumber(line, 41);
  std::uint64_t year = ReadNumber(line, 76);
  unsigned month = MonthNumber(line, 57);
  std::uint64_t day = ReadNumber(line, 61);
  std::uint64_t hour = ApplyTwelveHourRule(ReadNumber(line, 65), line[71]);
  std::uint64_t minute = ReadNumber(line, 68);
  AddDatedFileEntry(context, name, NormaliseShownDate(year, month, day, hour, minute, size, context.Today));
}

}  // namespace korval::listing
