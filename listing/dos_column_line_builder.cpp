// DOS directory columns (Marrowby, PCNFS-Pro): an 8.3 name in columns 0-11,
// the size from column 14, the date mm-dd-yy at 23 and a time with a/p:
//
//   README   TXT      1803 05-22-96   2:05p
//   DOCS         <DIR>     01-03-96   9:30a
//   AUTOEXEC BAT       412 12-01-95  12:15a
//   MAKEFILE          2210  1- 3-96  11:00p

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"

namespace korval::listing {

namespace {
char ColumnChar(std::string_view line, std::size_t at) { return at < line.size() ? line[at] : ' '; }
}

void BuildDosColumnLine(std::string& line, const ListingContext& context) {
  if (line.size() <= 13 || line.front() == ' ' || line.front() == '.') return;
  std::string name = line.substr(0, 12);
  if (name[9] != ' ') {
    name[8] = '.';
    if (name[7] == ' ') {
      // A short base name: "README  .TXT" becomes "README.TXT".
      std::string_view base = std::string_view(name).substr(0, 8);
      std::string_view extension = std::string_view(name).substr(9);
      base = base.substr(0, base.find(' '));
      extension = extension.substr(0, extension.find(' '));
      std::string joined;
      joined.append(base).append(".").append(extension);
      name = std::move(joined);
    }
  }
  // Column padding is no part of the name: "MAKEFILE    " is MAKEFILE.
  TrimTrailingBlanks(name);
  if (HasDirMarker(TextFrom(line, 13))) {
    AddDirEntry(context, name, DirectoryKind);
    return;
  }

  std::uint64_t size = ReadNumber(line, 14);
  std::string info;
  info.push_back(ColumnChar(line, 29));
  info.push_back(ColumnChar(line, 30));
  for (std::size_t column : {std::size_t{23}, std::size_t{26}}) {
    char leading = ColumnChar(line, column);
    info.push_back(leading == ' ' ? '0' : leading);
    info.push_back(ColumnChar(line, column + 1));
  }
  std::uint64_t hour = ReadNumber(line, 33);
  std::uint64_t minute = ReadNumber(line, 36);
  char marker = ColumnChar(line, 38);
  if (marker == 'p') hour = ApplyTwelveHourRule(hour, 'P');
  if (marker == 'a') hour = ApplyTwelveHourRule(hour, 'A');
  bool dated = true;
  for (char c : info) dated = dated && IsDigit(c);
  NormalisedInfo normalised;
  if (dated)
    normalised = MakeNormalisedInfo(FullYearOf(ReadNumber(info.substr(0, 2), 0), 2, context.Today), ReadNumber(info.substr(2, 2), 0),
                                    ReadNumber(info.substr(4, 2), 0), hour, minute, size);
  info.push_back(' ');
  AppendZeroPadded(info, hour, 2);
  info.push_back(':');
  AppendZeroPadded(info, minute, 2);
  info.push_back(' ');
  AppendRightAligned(info, size, 10);
  normalised.Text = std::move(info);
  normalised.Size = size;
  AddDatedFileEntry(context, name, normalised);
}

}  // namespace korval::listing
