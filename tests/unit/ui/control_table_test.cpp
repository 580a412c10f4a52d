// What follows from the control table: the Tab walk, the ids the host names
// controls by, visibility and the alternate captions.

#include "ui/logic/control_table.h"

#include <gtest/gtest.h>

#include <set>

namespace korval::ui::logic {
namespace {

TEST(ControlTable, TabOrderIsTheTabStopSlotsInSlotOrder) {
  std::vector<int> expected;
  for (int i = 8; i <= 27; ++i) expected.push_back(i);
  for (int i = 31; i <= 39; ++i) expected.push_back(i);
  EXPECT_EQ(TabOrderSlots(), expected);
}

TEST(ControlTable, IdsFindTheirSlotsAndAreUnique) {
  struct Case {
    int id;
    std::optional<int> slot;
  };
  const Case cases[] = {{960, 0}, {961, 1}, {924, 7}, {939, 8}, {926, 12}, {930, 21}, {9046, 23},
                        {1853, 30}, {9000, 31}, {9042, 37}, {927, 38}, {931, 39}, {-1, std::nullopt},
                        {1234, std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(SlotOfId(c.id), c.slot) << c.id;
  std::set<int> ids;
  for (const ControlSlot& entry : ControlTable()) {
    if (entry.Id >= 0) {
      EXPECT_TRUE(ids.insert(entry.Id).second) << "id " << entry.Id << " twice";
    }
  }
}

TEST(ControlTable, OnlyTheWorkListIsCreatedHidden) {
  for (int i = 0; i < ControlCount; ++i) EXPECT_EQ(ControlTable()[i].Visible, i != slot::WorkList) << "slot " << i;
}

TEST(ControlTable, TransferButtonsReadTransferInTheAlternateLayout) {
  EXPECT_EQ(SlotCaption(slot::Send, false), "-->");
  EXPECT_EQ(SlotCaption(slot::Receive, false), "<--");
  EXPECT_EQ(SlotCaption(slot::Send, true), "Transfer");
  EXPECT_EQ(SlotCaption(slot::Receive, true), "Transfer");
  EXPECT_EQ(SlotCaption(slot::Connect, true), "&Connect");
}

TEST(ControlTable, PaneButtonsAreTheTwoColumnsOfNine) {
  for (int i = 0; i < ControlCount; ++i) EXPECT_EQ(IsPaneButton(i), i >= 10 && i <= 27) << "slot " << i;
}

}  // namespace
}  // namespace korval::ui::logic
