// The dispatcher's tables: accelerators, guards while the worker walks a
// tree, double clicks and the mode buttons.

#include "ui/logic/command_rules.h"

#include <gtest/gtest.h>

namespace korval::ui::logic {
namespace {

TEST(AcceleratorCommand, AltLettersAndBareArrowsOutsideTextFields) {
  using K = ControlKind;
  struct Case {
    AcceleratorKey key;
    std::optional<K> focused;
    std::optional<int> command;
  } cases[] = {
      {{'a', true}, K::PushButton, 9037}, {{'c', true}, K::PushButton, 9000}, {{'h', true}, K::FileList, 9041},
      {{'l', true}, std::nullopt, 9047},  {{'n', true}, K::FileList, 9033},   {{'o', true}, K::PushButton, 5130},
      {{'r', true}, K::FileList, 940},    {{'s', true}, K::FileList, 939},    {{'x', true}, K::MaskField, 9042},
      {{'X', true}, K::PushButton, 9042},  // Shift held
      {{'q', true}, K::PushButton, std::nullopt},
      {{'<', false}, K::FileList, 940},   {{'>', false}, K::FileList, 939},   {{'>', false}, std::nullopt, 939},
      {{'>', false}, K::PushButton, 939},
      // Typed into a mask field, the characters are the user's text.
      {{'>', false}, K::MaskField, std::nullopt}, {{'<', false}, K::MaskField, std::nullopt},
      {{'s', false}, K::FileList, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AcceleratorCommand(c.key, c.focused), c.command)
        << (c.key.Alt ? "Alt+" : "") << c.key.Character << " focus " << (c.focused ? static_cast<int>(*c.focused) : -1);
}

TEST(TraitsOfCommand, RemoteCommandsWaitForTheWorkerLocalOnesDoNot) {
  for (int remote : {934, 936, 938, 939, 940, 942, 944, 946, 948, 969, 9046})
    EXPECT_TRUE(TraitsOfCommand(remote).WorkerGuard) << remote;
  for (int other : {933, 935, 937, 941, 943, 945, 947, 949, 950, 968, 9045, 9033, 9042, 1309})
    EXPECT_FALSE(TraitsOfCommand(other).WorkerGuard) << other;
  // Change directory and Refresh read their pane's mask first.
  EXPECT_TRUE(TraitsOfCommand(933).ReadsLocalMask);
  EXPECT_TRUE(TraitsOfCommand(943).ReadsLocalMask);
  EXPECT_TRUE(TraitsOfCommand(934).ReadsRemoteMask);
  EXPECT_TRUE(TraitsOfCommand(944).ReadsRemoteMask);
  EXPECT_FALSE(TraitsOfCommand(934).ReadsLocalMask);
  EXPECT_FALSE(TraitsOfCommand(939).ReadsLocalMask || TraitsOfCommand(939).ReadsRemoteMask);
}

TEST(AbortsBusyConnection, OnlyTheCloseCommands) {
  for (int id : {9032, 9042, 1321, 1600}) EXPECT_TRUE(AbortsBusyConnection(id)) << id;
  for (int id : {9000, 1320, 9033, 939, 940}) EXPECT_FALSE(AbortsBusyConnection(id)) << id;
}

TEST(DoubleClickActionFor, EnteredEntriesAndSettingTwoOnlyUpdateTheButtons) {
  struct Case {
    bool opened;
    int setting;
    DoubleClickAction action;
  } cases[] = {
      {true, 0, DoubleClickAction::UpdateButtons}, {true, 1, DoubleClickAction::UpdateButtons},
      {false, 2, DoubleClickAction::UpdateButtons}, {false, 1, DoubleClickAction::View},
      {false, 0, DoubleClickAction::Transfer},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DoubleClickActionFor(c.opened, c.setting), c.action) << c.opened << " DBLCLK=" << c.setting;
}

TEST(RefreshCommandForFocus, TheFocusedSidesPane) {
  for (int local : {slot::LocalFileList, slot::LocalDirectoryBox, slot::FirstLocalPaneButton, slot::LocalMask,
                    slot::FirstLocalPaneButton + slot::PaneButtonCount - 1})
    EXPECT_EQ(RefreshCommandForFocus(local), 943) << local;
  for (int remote : {slot::RemoteFileList, slot::RemoteDirectoryBox, slot::FirstRemotePaneButton, slot::RemoteMask,
                     slot::Connect, slot::Send, -1})
    EXPECT_EQ(RefreshCommandForFocus(remote), 944) << remote;
}

TEST(ModeButtonStatesFor, BinaryCoversTheLocalByteMode) {
  EXPECT_EQ(ModeButtonStatesFor('A', false), (ModeButtonStates{true, false, false}));
  EXPECT_EQ(ModeButtonStatesFor('I', true), (ModeButtonStates{false, true, true}));
  EXPECT_EQ(ModeButtonStatesFor('L', false), (ModeButtonStates{false, true, false}));
  EXPECT_EQ(ModeButtonStatesFor('E', false), (ModeButtonStates{false, false, false}));
}

}  // namespace
}  // namespace korval::ui::logic
