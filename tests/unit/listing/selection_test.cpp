// Reading a pane's selection: the names as the file operations use them, the
// 2048-entry limit, and joining names into one command line.

#include "listing/selection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/last_entry.h"
#include "engine/message_log.h"
#include "listing/listing_entry.h"
#include "listing/pane_list.h"

namespace korval::listing {
namespace {

using ::testing::ElementsAre;

ListingEntry Entry(std::string text, std::size_t nameLength, std::int32_t kind, std::uint64_t size = 0) {
  ListingEntry entry;
  entry.Pane = RemotePaneNumber;
  entry.Kind = kind;
  entry.Size = size;
  entry.Text = std::move(text);
  entry.NameLength = static_cast<std::int32_t>(nameLength);
  return entry;
}

struct ReadCase {
  const char* what;
  ListingEntry entry;
  std::string expectedName;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.what; }

class ReadEntryCaseTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadEntryCaseTest, GivesTheNameAndRecordsTheEntry) {
  const ReadCase& c = GetParam();
  PaneList list(NoSort);
  list.Add(c.entry);
  engine::ClearLastEntry();
  std::string name = "old";
  EXPECT_EQ(ReadEntry(list, 0, name), c.entry.Kind) << c.what;
  EXPECT_EQ(name, c.expectedName) << c.what;
  EXPECT_EQ(engine::LastEntry().Kind, c.entry.Kind);
  EXPECT_EQ(engine::LastEntry().Size, c.entry.Size);
}

INSTANTIATE_TEST_SUITE_P(
    , ReadEntryCaseTest,
    ::testing::Values(
        ReadCase{"long text cut at the name", Entry("report.txt  \t| 970101 10:00        123", 10, FileKind, 123),
                 "report.txt"},
        ReadCase{"padded name cut at the separator", Entry("a.txt       \t| 970101 10:00          5", 24, FileKind, 5),
                 "a.txt"},
        ReadCase{"a file keeps its trailing blanks", Entry("blank ", 6, FileKind), "blank "},
        ReadCase{"a directory loses them", Entry("dir  ", 5, DirectoryKind), "dir"},
        ReadCase{"a link", Entry("lnk", 3, LinkKind, 7), "lnk"}));

TEST(ReadEntryTest, PastTheEndIsNoEntry) {
  PaneList list;
  std::string name = "x";
  EXPECT_EQ(ReadEntry(list, 0, name), NoEntryKind);
  EXPECT_EQ(name, "");
}

TEST(GetSelectedItemsTest, TakesAtMostTheFirst2048InPaneOrder) {
  PaneList list(NoSort);
  for (int i = 0; i < 2100; ++i) {
    std::string name = "f" + std::to_string(i);
    list.Add(Entry(name, name.size(), FileKind));
  }
  for (std::size_t i = 2099; i > 0; --i) list.SetSelected(i, true);
  const std::vector<std::size_t> selected = GetSelectedItems(list);
  ASSERT_EQ(selected.size(), 2048u);
  EXPECT_EQ(selected.front(), 1u);
  EXPECT_EQ(selected.back(), 2048u);
}

TEST(ReadSelectedEntriesTest, PastTheLimitTheLogSaysHowManyWereLeftOut) {
  engine::ResetMessageLog();
  PaneList list(NoSort);
  for (int i = 0; i < 2100; ++i) {
    std::string name = "f" + std::to_string(i);
    list.Add(Entry(name, name.size(), FileKind));
  }
  for (std::size_t i = 0; i < 2048; ++i) list.SetSelected(i, true);
  EXPECT_EQ(ReadSelectedEntries(list).size(), 2048u);
  EXPECT_EQ(engine::LogHistorySnapshot().LogHistory[0], "");  // exactly the limit: nothing to say
  for (std::size_t i = 2048; i < 2100; ++i) list.SetSelected(i, true);
  const std::vector<PaneItem> items = ReadSelectedEntries(list);
  ASSERT_EQ(items.size(), 2048u);
  EXPECT_EQ(items.back().Name, "f2047");
  const engine::MessageLogHistory history = engine::LogHistorySnapshot();
  EXPECT_EQ(history.LogHistory[static_cast<std::size_t>(history.LogLast)],
            "52 selected entries left out: 2048 are handled at once.");
  engine::ResetMessageLog();
}

TEST(JoinSelectedNamesTest, SkipsANameThatDoesNotFitAndTriesTheRest) {
  PaneList list(NoSort);
  for (const char* name : {"aa", "a-much-longer-name", "bb", "unselected", "cc"}) list.Add(Entry(name, std::strlen(name), FileKind));
  for (std::size_t i : {0u, 1u, 2u, 4u}) list.SetSelected(i, true);

  std::string text = "chmod 644 ";  // 10 characters
  // Room 10 after "chmod 644 ": "aa" needs 2 + 2 < 10; the long name does
  // not fit; " bb" and " cc" still do while the name plus 2 stays below the room.
  EXPECT_EQ(JoinSelectedNames(list, text, 20), 3u);
  EXPECT_EQ(text, "chmod 644 aa bb cc");

  std::string tight = "x";
  EXPECT_EQ(JoinSelectedNames(list, tight, 5), 0u);  // "aa" + 2 is not below 4
  EXPECT_EQ(tight, "x");
}

}  // namespace
}  // namespace korval::listing
