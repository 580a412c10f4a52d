// UNIX "ls -l" lines, also the rules of automatic detection and of every type
// without rules of its own:
//
//   total 24
//   drwxr-xr-x   2 joe      staff        512 May 22 14:05 docs
//   -rw-r--r--   1 joe      staff       1803 May 22  1995 readme.txt
//   lrwxrwxrwx   1 joe      staff         11 Jan  3 09:30 latest -> release-2.1
//   -rw-r--r--   1 joe      staff       4096 Oct 17 18:21 name with spaces.doc

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/remote_entries.h"
#include "platform/text.h"

namespace korval::listing {

void BuildUnixLine(std::string& line, const ListingContext& context) {
  if (platform::StartsWithIgnoreCase(line, "total")) return;
  FieldStarts fields = FindFieldStarts(line, 9);
  std::optional<std::size_t> ninth = fields(9);
  bool dated = ninth.has_value();
  std::size_t nameStart = dated ? *ninth : LastFieldStart(line);
  std::string name = line.substr(nameStart);
  if (name.empty()) return;

  char first = line.front();
  if (first == 'd' || first == 'D' || (context.Options.VLink && (first == 'l' || first == 'L')) ||
      HasDirMarker(line)) {
    RemoveTrailingSlash(name);
    std::int32_t kind = CutAtText(name, " ->") ? LinkKind : DirectoryKind;
    AddDirEntry(context, name, kind);
    return;
  }

  TerminateBeforeName(line, nameStart);
  std::int32_t kind = CutAtText(name, " ->") ? LinkKind : FileKind;
  if (dated) {
    std::optional<std::size_t> sizeField = fields(5);  // in front of the name: the same after terminating
    std::uint64_t size = sizeField ? ReadNumber(line, *sizeField) : 0;
    NormalisedInfo info = NormaliseByFields(line, 8, 6, 7, 8, 5, context.Options.HostType, context.Today);
    if (size != 0) info.Size = size;
    AddDatedFileEntry(context, name, info, kind);
  } else {
    AddFileEntry(context, name, line, 0, kind);
  }
}

}  // namespace korval::listing
