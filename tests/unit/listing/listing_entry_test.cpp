// The entry operations: mask matching, the display text, reading normalised
// text back, the directory markers and the pane order in every sort mode.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_entry.h"
#include "listing/pane_list.h"
#include "listing/remote_entries.h"

namespace korval::listing {
namespace {

struct WildcardCase {
  const char* Name;
  const char* Pattern;
  bool Matches;
};

TEST(WildcardMatch, FollowsTheMaskRules) {
  const WildcardCase cases[] = {
      {"readme.txt", "*.txt", true},
      {"notes.old.txt", "*.txt", false},  // the star stops at the first '.'
      {"README.TXT", "*.txt", false},     // letter case counts
      {"readme", "readme*", false},       // a trailing star needs a character behind it
      {"readme1", "readme*", true},
      {"a.c", "?.c", true},
      {"ab.c", "?.c", false},
      {".c", "?.c", false},
      {"anything at all", "*", true},
      {"", "*", false},
      {"abc", "abc", true},
      {"abc", "abd", false},
      {"abc", "ab", false},
      {"ab", "abc", false},
      {"data_2024.csv", "data_*.csv", true},
      {"data_2024.csv.bak", "data_*.csv", false},
      {"x.txt", "*.t?t", true},
      {"abc", "a**", false},  // a star followed by a star looks for a literal '*'
      {"a*c", "a**c", true},   // ... and finds it in this name
  };
  for (const WildcardCase& c : cases)
    EXPECT_EQ(WildcardMatch(c.Name, c.Pattern), c.Matches) << c.Name << " against " << c.Pattern;
}

TEST(HasDirMarker, FindsTheSevenMarkersOnly) {
  for (const char* line : {"x DIR y", "x dir y", "x Dir y", "<DIR>", "a <DIRECTORY> b", "[dir]", "<dir>"})
    EXPECT_TRUE(HasDirMarker(line)) << line;
  for (const char* line : {"DIR", "x DIRS y", "x diR y", "directory", "<Dir>", "", "[DIR]"})
    EXPECT_FALSE(HasDirMarker(line)) << line;
}

TEST(BuildDisplayText, PadsNamesAndCutsAt199) {
  EXPECT_EQ(BuildDisplayText("a.txt", "960522 14:05       1803", true), "a.txt       \t| 960522 14:05       1803");
  EXPECT_EQ(BuildDisplayText("twelve.chars", "x", true), "twelve.chars\t| x");
  EXPECT_EQ(BuildDisplayText("a.txt", "info", false), "a.txt");
  EXPECT_EQ(BuildDisplayText("a.txt", "", true), "a.txt");
  std::string longInfo(300, 'i');
  std::string text = BuildDisplayText("name", longInfo, true);
  EXPECT_EQ(text.size(), DisplayTextCapacity);
  EXPECT_EQ(text.substr(0, 15), "name        \t| ");
}

TEST(ReadNormalisedInfo, ReadsDateAndSizeOnlyFromTheNormalisedForm) {
  ListingEntry entry;
  ReadNormalisedInfo(entry, "960522 14:05       1803");
  EXPECT_EQ(entry.Year, 96);
  EXPECT_EQ(entry.Month, 5);
  EXPECT_EQ(entry.Day, 22);
  EXPECT_EQ(entry.Hour, 14);
  EXPECT_EQ(entry.Minute, 5);
  EXPECT_EQ(entry.Size, 1803u);

  ListingEntry untouched;
  ReadNormalisedInfo(untouched, "960522 14-05       1803");  // no ':' at 9
  ReadNormalisedInfo(untouched, "960522 14:05");            // 13 characters
  EXPECT_EQ(untouched.Year, 0);
  EXPECT_EQ(untouched.Size, 0u);

  ListingEntry huge;
  ReadNormalisedInfo(huge, "960522 14:05 123456789012345678901234567890");
  EXPECT_EQ(huge.Size, UINT64_MAX);  // 30 digits stay at the largest size
}

class RemoteEntryTest : public ::testing::Test {
 protected:
  ListingEntry Only() {
    std::optional<ListingEntry> entry = pane.EntryAt(0);
    EXPECT_TRUE(entry.has_value());
    return entry.value_or(ListingEntry{});
  }
  ListingOptions options;
  PaneList pane;
  ListingContext context{pane, options, CalendarDate{1996, 6, 15}};
};

TEST_F(RemoteEntryTest, FileEntryReadsNormalisedTextOnlyWhenItBeginsWithNine) {
  AddFileEntry(context, "new.dat", "240522 14:05       1803", 1803);
  ListingEntry entry = Only();
  EXPECT_EQ(entry.Year, 0);  // years from 2000 on are not read back
  EXPECT_EQ(entry.Size, 1803u);
  EXPECT_EQ(entry.Pane, RemotePaneNumber);
  EXPECT_EQ(entry.NameLength, 7);
}

TEST_F(RemoteEntryTest, SizeArgumentReplacesTheSizeOfTheText) {
  AddFileEntry(context, "a", "960522 14:05         10", 5000000000ULL);
  EXPECT_EQ(Only().Size, 5000000000ULL);
  pane.Clear();
  AddFileEntry(context, "b", "960522 14:05         10", 0);
  EXPECT_EQ(Only().Size, 10u);
}

TEST_F(RemoteEntryTest, AsciiListDecidesKindOneUpToTheVersion) {
  config::AsciiExtensionList list = config::AsciiExtensionList::FromEntries({".TXT", ".C", "X"});
  options.AsciiExtensions = &list;
  AddFileEntry(context, "README.TXT;3", "");
  AddFileEntry(context, "main.c", "");
  AddFileEntry(context, "a.txt.gz", "");
  AddFileEntry(context, "fix", "");           // one-character entries are ignored
  AddFileEntry(context, "link.txt", "", 0, LinkKind);  // a given kind stays
  std::vector<std::pair<std::string, int>> kinds;
  pane.ForEachEntry(
      [&kinds](std::size_t, const ListingEntry& e) { kinds.emplace_back(std::string(e.Name()), e.Kind); });
  std::vector<std::pair<std::string, int>> expected = {
      {"link.txt", 2}, {"a.txt.gz", 0}, {"fix", 0}, {"main.c", 1}, {"README.TXT;3", 1}};
  EXPECT_EQ(kinds, expected);
}

TEST_F(RemoteEntryTest, MaskWithoutWildcardsFiltersNothing) {
  options.RemoteMask = "readme.txt";
  AddFileEntry(context, "other.dat", "");
  EXPECT_EQ(pane.Count(), 1u);
  options.RemoteMask = "*.txt";
  AddFileEntry(context, "other.dat", "");
  AddDirEntry(context, "dir.dat");  // directories are never filtered
  EXPECT_EQ(pane.Count(), 2u);
}

TEST_F(RemoteEntryTest, DirectoryEntriesIgnoreDotsAndEmptyNames) {
  AddDirEntry(context, "");
  AddDirEntry(context, ".");
  AddDirEntry(context, "..");
  AddDirEntry(context, "...", 0);
  ASSERT_EQ(pane.Count(), 1u);
  EXPECT_EQ(Only().Kind, DirectoryKind);
  EXPECT_EQ(Only().Text, "...");
}

TEST_F(RemoteEntryTest, WidestTextFollowsFileEntriesOnly) {
  AddFileEntry(context, "a", "960522 14:05          1");
  AddDirEntry(context, std::string(60, 'd'));
  AddFileEntry(context, "b", "x");
  EXPECT_EQ(pane.WidestTextLength(), std::string("a           \t| 960522 14:05          1").size());
  pane.ResetWidestText();
  EXPECT_EQ(pane.WidestTextLength(), 0u);
}

// Pane order: entries added in the given order, read back by name.
std::vector<std::string> Ordered(int sortSetting, const std::vector<ListingEntry>& entries) {
  PaneList pane(sortSetting);
  for (const ListingEntry& entry : entries) pane.Add(entry);
  std::vector<std::string> names;
  pane.ForEachEntry([&names](std::size_t, const ListingEntry& e) { names.emplace_back(e.Name()); });
  return names;
}

ListingEntry Entry(std::string name, int kind, std::string info = {}) {
  ListingEntry entry;
  entry.Pane = RemotePaneNumber;
  entry.Kind = kind;
  entry.Text = BuildDisplayText(name, info, true);
  entry.NameLength = static_cast<std::int32_t>(name.size());
  return entry;
}

std::vector<ListingEntry> SampleEntries() {
  return {
      Entry("zeta.txt", 1, "960101 10:00        300"),
      Entry("Beta.c", 0, "950101 09:00       4000"),
      Entry("docs", 4),
      Entry("-minus", 4),
      Entry("alpha.C", 0, "960101 09:00         20"),
      Entry("..", 4),
      Entry("link", 2),
      Entry("[-c-]", 8),
      Entry("gamma", 0, "970101 00:00          5"),
      Entry("Apps", 4),
  };
}

TEST(PaneOrder, EachModeAndReverse) {
  struct Case {
    int Setting;
    std::vector<std::string> Names;
  };
  const Case cases[] = {
      {NoSort, {"..", "docs", "-minus", "Apps", "link", "zeta.txt", "Beta.c", "alpha.C", "gamma", "[-c-]"}},
      {SortByName, {"..", "-minus", "Apps", "docs", "link", "alpha.C", "Beta.c", "gamma", "zeta.txt", "[-c-]"}},
      {SortByExtension, {"..", "-minus", "Apps", "docs", "link", "gamma", "alpha.C", "Beta.c", "zeta.txt", "[-c-]"}},
      {SortByDate, {"..", "-minus", "Apps", "docs", "link", "Beta.c", "alpha.C", "zeta.txt", "gamma", "[-c-]"}},
      {SortBySize, {"..", "-minus", "Apps", "docs", "link", "gamma", "alpha.C", "zeta.txt", "Beta.c", "[-c-]"}},
      // Reverse turns files and links around; directories and drives keep their order.
      {SortByName | SortReverse,
       {"..", "-minus", "Apps", "docs", "link", "zeta.txt", "gamma", "Beta.c", "alpha.C", "[-c-]"}},
      {SortBySize | SortReverse,
       {"..", "-minus", "Apps", "docs", "link", "Beta.c", "zeta.txt", "alpha.C", "gamma", "[-c-]"}},
      {SortByDate | SortReverse,
       {"..", "-minus", "Apps", "docs", "link", "gamma", "zeta.txt", "alpha.C", "Beta.c", "[-c-]"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Ordered(c.Setting, SampleEntries()), c.Names) << "sort setting " << c.Setting;
}

TEST(PaneOrder, WithoutInformationDateAndSizeSortByName) {
  std::vector<ListingEntry> entries = {Entry("b", 0), Entry("C", 0), Entry("a", 0)};
  EXPECT_EQ(Ordered(SortByDate, entries), (std::vector<std::string>{"a", "b", "C"}));
  EXPECT_EQ(Ordered(SortBySize, entries), (std::vector<std::string>{"a", "b", "C"}));
}

// Dated entries sort by their whole date and their size as numbers: 1999
// before 2003, ten-digit sizes before eleven-digit ones.
TEST(PaneOrder, WholeDatesAndSizesOfAnyWidth) {
  auto dated = [](std::string name, std::uint16_t year, std::uint64_t size) {
    ListingEntry entry = Entry(name, 0, "000101 00:00 " + std::to_string(size));
    EntryDate date;
    date.Year = year;
    date.Month = 1;
    date.Day = 1;
    entry.SetDate(date);
    entry.Size = size;
    return entry;
  };
  std::vector<ListingEntry> entries = {dated("y2003", 2003, 9999999999ULL), dated("y1999", 1999, 12345678901ULL),
                                       dated("y2000", 2000, 5), dated("y1999b", 1999, 18446744073709551615ULL)};
  EXPECT_EQ(Ordered(SortByDate, entries), (std::vector<std::string>{"y1999", "y1999b", "y2000", "y2003"}));
  EXPECT_EQ(Ordered(SortBySize, entries), (std::vector<std::string>{"y2000", "y2003", "y1999", "y1999b"}));
  EXPECT_EQ(Ordered(SortBySize | SortReverse, entries),
            (std::vector<std::string>{"y1999b", "y1999", "y2003", "y2000"}));
  // Without LONGDIR no text has information: both orders are by name.
  for (ListingEntry& entry : entries) entry.Text = std::string(entry.Name());
  EXPECT_EQ(Ordered(SortBySize, entries), (std::vector<std::string>{"y1999", "y1999b", "y2000", "y2003"}));
}

TEST(PaneOrder, ComparisonIsASignedThreeWayResult) {
  ListingEntry a = Entry("a", 0);
  ListingEntry b = Entry("B", 0);
  EXPECT_LT(CompareEntries(a, b, SortByName), 0);
  EXPECT_GT(CompareEntries(b, a, SortByName), 0);
  EXPECT_EQ(CompareEntries(a, a, SortByName), 0);
  EXPECT_EQ(CompareEntries(a, b, NoSort), 0);
  EXPECT_LT(CompareEntries(Entry("..", 4), Entry("-", 4), SortByName), 0);
}

}  // namespace
}  // namespace korval::listing
