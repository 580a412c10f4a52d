// Which page each help request opens.

#include "ui/logic/help_context.h"

#include <gtest/gtest.h>

#include "ui/logic/control_table.h"

namespace korval::ui::logic {
namespace {

TEST(HelpPageForContext, SmallContextsOpenTheIndexLargerOnesTheirTopic) {
  struct Case {
    std::uint32_t context;
    HelpPage expected;
  };
  const Case cases[] = {
      {0, {true, 0}},       {5, {true, 0}},          {10, {true, 0}},         {11, {false, 11}},
      {140, {false, 140}},  {0x1008C, {false, 140}}, {0x10005, {false, 5}},  // above 10, then the low 16 bits
  };
  for (const Case& c : cases) EXPECT_EQ(HelpPageForContext(c.context), c.expected) << c.context;
}

TEST(HelpPageForKey, F1IndexF2DirectoriesControlF1TheFocusedControl) {
  struct Case {
    HelpKey key;
    int focusedSlot;
    HelpPage expected;
  };
  const Case cases[] = {
      {HelpKey::F1, slot::Connect, {true, 0}},
      {HelpKey::F2, slot::Connect, {false, 140}},
      {HelpKey::ControlF1, slot::Connect, {false, 30}},
      {HelpKey::ControlF1, 34, {false, 10}},  // the Help button's own topic, not the index
      {HelpKey::ControlF1, slot::LocalFileList, {false, 220}},
      {HelpKey::ControlF1, -1, {true, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HelpPageForKey(c.key, c.focusedSlot), c.expected) << static_cast<int>(c.key) << " " << c.focusedSlot;
}

TEST(HelpPageFileName, NamesTheIndexAndEachTopic) {
  EXPECT_EQ(HelpPageFileName(HelpPage{}), "index.html");
  EXPECT_EQ(HelpPageFileName(HelpPage{false, 140}), "topic-140.html");
}

}  // namespace
}  // namespace korval::ui::logic
