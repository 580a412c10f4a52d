// A remote directory as a batch source, as its lines read in a terminal:
// type, size, date and name in columns; no ".." and no normalised text.

#include "operations/batch_listing.h"

#include <gtest/gtest.h>

namespace korval::operations {
namespace {

listing::ListingEntry Entry(std::int32_t kind, std::string_view name, std::string_view info) {
  listing::ListingEntry entry;
  entry.Pane = listing::RemotePaneNumber;
  entry.Kind = kind;
  entry.Text = listing::BuildDisplayText(name, info, true);
  entry.NameLength = static_cast<std::int32_t>(name.size());
  return entry;
}

TEST(BatchListingTest, LinesShowTypeSizeDateAndName) {
  const struct {
    listing::ListingEntry entry;
    const char* line;
  } cases[] = {
      {Entry(listing::FileKind, "report.txt", "261210 10:41       1234"),
       "-         1234  2026-12-10 10:41  report.txt"},
      {Entry(listing::AsciiFileKind, "old.txt", "991231 23:59          0"), "-            0  1999-12-31 23:59  old.txt"},
      {Entry(listing::LinkKind, "current", "250102 08:05         11"), "l           11  2025-01-02 08:05  current"},
      {Entry(listing::DirectoryKind, "pub", ""), "d                                 pub"},
      {Entry(listing::FileKind, "a name with blanks", "261210 10:41 10000000000"),
       "-  10000000000  2026-12-10 10:41  a name with blanks"},
      {Entry(listing::DirectoryKind, "..", ""), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(BatchListingLine(c.entry), c.line) << c.entry.Text;
}

TEST(BatchListingTest, PaneWithoutItsParentEntry) {
  listing::PaneList pane;
  pane.Add(Entry(listing::DirectoryKind, "..", ""));
  pane.Add(Entry(listing::FileKind, "b.bin", "261210 10:41          2"));
  pane.Add(Entry(listing::DirectoryKind, "sub", ""));
  EXPECT_EQ(BatchListingLines(pane), (std::vector<std::string>{"d                                 sub",
                                                                "-            2  2026-12-10 10:41  b.bin"}));
}

}  // namespace
}  // namespace korval::operations
