// The pane list: its order however the entries arrive, and the selection
// across re-sorting.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "listing/pane_list.h"
#include "listing_fixture.h"
#include "tests/support/scripted_host.h"

namespace korval::listing {
namespace {

ListingEntry RandomEntry(std::mt19937& random) {
  static const int kinds[] = {0, 1, 2, 4, 8};
  ListingEntry entry;
  entry.Kind = kinds[random() % 5];
  std::string name;
  for (int i = 0, length = 1 + static_cast<int>(random() % 6); i < length; ++i)
    name.push_back("aAbB.c_"[random() % 7]);  // few letters: many ties and case-only differences
  entry.NameLength = static_cast<std::int32_t>(name.size());
  entry.Text = name;
  if (entry.Kind < 2 && random() % 4 != 0)
    entry.Text = BuildDisplayText(name, "96010" + std::to_string(random() % 10) + " 10:00 " +
                                            std::to_string(random() % 1000), true);
  return entry;
}

ListingEntry Entry(const std::string& name) {
  ListingEntry entry;
  entry.Text = name;
  entry.NameLength = static_cast<std::int32_t>(name.size());
  return entry;
}

std::vector<std::string> Texts(const PaneList& pane) {
  std::vector<std::string> texts;
  pane.ForEachEntry([&texts](std::size_t, const ListingEntry& e) { texts.push_back(e.Text); });
  return texts;
}

// The order of inserting one entry at a time behind every entry that does
// not come after it, as a sorted list keeps itself.
std::vector<std::string> InsertedOneByOne(const std::vector<ListingEntry>& entries, int sortSetting) {
  std::vector<const ListingEntry*> ordered;
  for (const ListingEntry& entry : entries) {
    auto at = ordered.begin();
    while (at != ordered.end() && CompareEntries(entry, **at, sortSetting) >= 0) ++at;
    ordered.insert(at, &entry);
  }
  std::vector<std::string> texts;
  for (const ListingEntry* entry : ordered) texts.push_back(entry->Text);
  return texts;
}

// A whole date on both sides of 2000 and a size of up to 40 bits, few
// enough values for ties.
void GiveRandomDate(ListingEntry& entry, std::mt19937& random) {
  EntryDate date;
  date.Year = static_cast<std::uint16_t>(1998 + random() % 6);
  date.Month = static_cast<std::uint8_t>(1 + random() % 3);
  date.Day = static_cast<std::uint8_t>(1 + random() % 2);
  date.Hour = static_cast<std::uint8_t>(random() % 2);
  date.Minute = static_cast<std::uint8_t>(random() % 2);
  entry.SetDate(date);
  entry.Size = random() % 3 == 0 ? (std::uint64_t{1} << (random() % 40)) : random() % 4;
}

TEST(PaneList, OrderEqualsInsertingOneByOneInEveryMode) {
  std::mt19937 random(99);
  for (bool dated : {false, true}) {
  for (int sortSetting : {0, 1, 2, 3, 4, 9, 10, 11, 12}) {
    std::vector<ListingEntry> entries;
    // The date comparison is only consistent when every file has information,
    // and every one of them a date or none.
    for (int i = 0; i < 700; ++i) {
      ListingEntry entry = RandomEntry(random);
      if ((sortSetting & 7) >= 3 && entry.Kind < 2 && entry.Text.find('\t') == std::string::npos)
        entry.Text = BuildDisplayText(entry.Text, "960101 10:00 1", true);
      if (dated && entry.Text.find('\t') != std::string::npos) GiveRandomDate(entry, random);
      entries.push_back(entry);
    }
    std::vector<std::string> expected = InsertedOneByOne(entries, sortSetting);

    PaneList bulk(sortSetting);
    for (const ListingEntry& entry : entries) bulk.Add(entry);
    EXPECT_EQ(Texts(bulk), expected) << "sort setting " << sortSetting;

    // Reading between adds (few and many new entries at a time) keeps the same order.
    PaneList interleaved(sortSetting);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      interleaved.Add(entries[i]);
      if (i % 3 == 0 || (i > 300 && i % 50 == 0)) interleaved.EntryAt(0);
    }
    EXPECT_EQ(Texts(interleaved), expected) << "sort setting " << sortSetting;
  }
  }
}

TEST(PaneList, InconsistentComparisonsStillGiveEveryEntryOnce) {
  // Files with and without information compared by date form cycles.
  std::mt19937 random(7);
  PaneList pane(SortByDate);
  std::multiset<std::string> added;
  for (int i = 0; i < 5000; ++i) {
    ListingEntry entry = RandomEntry(random);
    added.insert(entry.Text);
    pane.Add(std::move(entry));
  }
  std::vector<std::string> texts = Texts(pane);
  EXPECT_EQ(std::multiset<std::string>(texts.begin(), texts.end()), added);
}

TEST(PaneList, SelectionFollowsEntriesWhenTheOrderChanges) {
  PaneList pane(SortByName);
  for (const char* name : {"c", "a", "b"}) {
    ListingEntry entry;
    entry.Text = name;
    entry.NameLength = 1;
    pane.Add(entry);
  }
  pane.SetSelected(0, true);  // "a"
  pane.SetSelected(2, true);  // "c"
  EXPECT_EQ(pane.SelectedIndexes(), (std::vector<std::size_t>{0, 2}));
  pane.SetSortSetting(NoSort);  // back to the order of adding: c, a, b
  EXPECT_EQ(Texts(pane), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(pane.SelectedIndexes(), (std::vector<std::size_t>{0, 1}));
  pane.SetSortSetting(SortByName | SortReverse);
  EXPECT_EQ(Texts(pane), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_TRUE(pane.IsSelected(0));
  EXPECT_FALSE(pane.IsSelected(1));
  EXPECT_TRUE(pane.IsSelected(2));
  EXPECT_EQ(pane.SelectedIndexes(1), (std::vector<std::size_t>{0}));
  pane.ClearSelection();
  EXPECT_TRUE(pane.SelectedIndexes().empty());
  pane.SetSelected(17, true);  // past the end: nothing happens
  EXPECT_FALSE(pane.IsSelected(17));
  pane.Clear();
  EXPECT_EQ(pane.Count(), 0u);
  EXPECT_FALSE(pane.EntryAt(0).has_value());
}

TEST(PaneList, SelectionHoldsAtMost2048Indexes) {
  PaneList pane(NoSort);
  for (int i = 0; i < 3000; ++i) {
    pane.Add(ListingEntry{});
    pane.SetSelected(static_cast<std::size_t>(i), true);
  }
  std::vector<std::size_t> selected = pane.SelectedIndexes();
  ASSERT_EQ(selected.size(), SelectionCapacity);
  EXPECT_EQ(selected.back(), SelectionCapacity - 1);
}

TEST(PaneList, AWorkerCanReadWhileEntriesArrive) {
  PaneList pane(SortByName);
  std::thread reader([&pane] {
    for (int i = 0; i < 2000; ++i) {
      std::vector<std::size_t> selected = pane.SelectedIndexes();
      for (std::size_t index : selected) EXPECT_LT(index, pane.Count());
    }
  });
  std::mt19937 random(3);
  for (int i = 0; i < 2000; ++i) {
    pane.Add(RandomEntry(random));
    if (i % 7 == 0) pane.SetSelected(static_cast<std::size_t>(i / 2), true);
  }
  reader.join();
  EXPECT_EQ(pane.Count(), 2000u);
}

TEST(PaneList, HidingAndShowingCountRevisions) {
  PaneList pane;
  std::uint64_t before = pane.Revision();
  pane.Hide();
  EXPECT_FALSE(pane.IsVisible());
  pane.Show();
  EXPECT_TRUE(pane.IsVisible());
  EXPECT_GT(pane.Revision(), before);
}

// The main window's panes tell the host once a rebuild is shown, not for
// each entry; a list of the core's own (a walk's, a built copy) never does.
TEST(PaneList, TheWindowsPanesTellTheHostOfEachChangeOnce) {
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  ResetPaneLists();
  host.Clear();
  PaneList& local = LocalPane();
  local.Hide();
  local.Clear();
  local.SetSortSetting(SortByDate);
  for (const char* name : {"b", "a", "c"}) local.Add(Entry(name));
  local.Show();
  EXPECT_EQ(host.CallsTo("PaneChanged").size(), 1u);

  PaneList built;
  built.Add(Entry("x"));
  built.Clear();
  RemotePane().TakeContentsOf(built);
  RemotePane().SetSortSetting(SortByDate);
  RemotePane().Clear();
  local.SetSortSetting(SortByDate);  // no change
  std::vector<std::string> panes;
  for (const testing::HostCall& call : host.CallsTo("PaneChanged")) panes.push_back(call.text);
  EXPECT_EQ(panes, (std::vector<std::string>{"local", "remote", "remote", "remote"}));
  ResetPaneLists();
}

}  // namespace
}  // namespace korval::listing
