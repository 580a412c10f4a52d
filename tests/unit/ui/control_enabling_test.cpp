// The pane buttons' states by connection, server rights and selections.

#include "ui/logic/control_enabling.h"

#include <gtest/gtest.h>

#include <map>

#include "ui/logic/control_table.h"

namespace korval::ui::logic {
namespace {

std::map<int, bool> AsMap(const std::vector<SlotEnabled>& states) {
  std::map<int, bool> map;
  for (const SlotEnabled& s : states) {
    EXPECT_EQ(map.count(s.Slot), 0u) << "slot " << s.Slot << " set twice";
    map[s.Slot] = s.Enabled;
  }
  return map;
}

// Slots: 8 "-->", 9 "<--"; local 13 View, 14 Exec, 15 Rename, 16 Delete;
// remote 19 ChgDir, 20 MkDir, 22 View, 23 Exec, 24 Rename, 25 Delete,
// 26 Refresh, 27 DirInfo.
TEST(ControlStates, FollowConnectionRightsAndSelections) {
  struct Case {
    const char* name;
    EnablingInput input;
    std::map<int, bool> expected;
  } cases[] = {
      {"disconnected, nothing selected",
       {false, false, false, false, 0, 0, false},
       {{8, false}, {9, false}, {13, false}, {14, false}, {15, false}, {16, false}, {19, false}, {20, false},
        {22, false}, {23, false}, {24, false}, {25, false}, {26, false}, {27, false}}},
      {"connected with every right, one selected on each side",
       {true, true, true, true, 1, 1, false},
       {{8, true}, {9, true}, {13, true}, {14, true}, {15, true}, {16, true}, {19, true}, {20, true},
        {22, true}, {23, true}, {24, true}, {25, true}, {26, true}, {27, true}}},
      {"connected, several selected: Exec needs exactly one",
       {true, true, true, true, 3, 2, false},
       {{8, true}, {9, true}, {13, true}, {14, false}, {15, true}, {16, true}, {19, true}, {20, true},
        {22, true}, {23, false}, {24, true}, {25, true}, {26, true}, {27, true}}},
      {"connected without MKD, RNFR or DELE rights",
       {true, false, false, false, 0, 2, false},
       {{8, true}, {9, true}, {13, false}, {14, false}, {15, false}, {16, false}, {19, true}, {20, false},
        {22, true}, {23, false}, {24, false}, {25, false}, {26, true}, {27, true}}},
      {"disconnected with a remote selection left: rights alone do not enable",
       {false, true, true, true, 0, 1, false},
       {{8, false}, {9, false}, {13, false}, {14, false}, {15, false}, {16, false}, {19, false}, {20, false},
        {22, true}, {23, true}, {24, true}, {25, true}, {26, false}, {27, false}}},
      {"HIDBTN disconnected: only the arrows, which stay visible, are set",
       {false, true, true, true, 2, 2, true},
       {{8, false}, {9, false}}},
      {"HIDBTN connected", {true, false, false, false, 0, 0, true}, {{8, true}, {9, true}}},
  };
  for (const Case& c : cases) EXPECT_EQ(AsMap(ControlStates(c.input)), c.expected) << c.name;
}

TEST(ControlStates, NeverTouchTheButtonsThatAreAlwaysEnabled) {
  const EnablingInput input{false, false, false, false, 0, 0, false};
  for (const SlotEnabled& s : ControlStates(input)) {
    for (int always : {slot::FirstLocalPaneButton, slot::FirstLocalPaneButton + 1, slot::LocalMask,
                       slot::FirstLocalPaneButton + 7, slot::FirstLocalPaneButton + 8, slot::RemoteMask})
      EXPECT_NE(s.Slot, always);
    EXPECT_FALSE(s.Slot >= slot::FirstMainButton && s.Slot < slot::FirstMainButton + slot::MainButtonCount);
  }
}

}  // namespace
}  // namespace korval::ui::logic
