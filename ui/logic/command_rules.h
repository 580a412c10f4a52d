#pragma once
// The dispatcher's rules that need no widget: the accelerator table, which
// commands wait while a tree walk runs on the worker, what a double click in
// a file list does, and the mode buttons' states.

#include <optional>

#include "ui/logic/control_table.h"

namespace korval::ui::logic {

// A key of the accelerator table: a bare character, or a letter with Alt.
struct AcceleratorKey {
  char Character;  // '<', '>', or a lower-case letter
  bool Alt;
};

// The command of `key`, or nullopt. The bare characters '<' and '>' count
// only when the focus is not in a field the user types into (a mask field):
// typing ">" into a mask must not start a transfer.
std::optional<int> AcceleratorCommand(AcceleratorKey key, std::optional<ControlKind> focused);

// How the dispatcher runs a command.
struct CommandTraits {
  bool WorkerGuard = false;  // does nothing while the worker is busy
  bool ReadsLocalMask = false;
  bool ReadsRemoteMask = false;
  bool ArrowCursor = false;  // the arrow cursor is set afterwards
};
CommandTraits TraitsOfCommand(int commandId);

// While the connection is busy, these commands abort it instead of running
// (the close commands and the remote pane's Close).
bool AbortsBusyConnection(int commandId);

// A double click on a file list, after the entry was offered to the pane
// (directories, drives and links are entered there).
enum class DoubleClickAction { UpdateButtons, View, Transfer };
DoubleClickAction DoubleClickActionFor(bool entryOpened, int doubleClickSetting);

// F5 refreshes the pane the focus is in: the local one from the local list,
// its directory box and buttons; the remote one from everywhere else.
int RefreshCommandForFocus(int focusedSlot);
// Ctrl+Q, the desktop's Exit.
constexpr int QuitKeyCommand = 9042;

// The three mode buttons from MODE and AMODE.
struct ModeButtonStates {
  bool Ascii;
  bool Binary;
  bool Auto;
  friend bool operator==(const ModeButtonStates&, const ModeButtonStates&) = default;
};
ModeButtonStates ModeButtonStatesFor(char mode, bool autoMode);

}  // namespace korval::ui::logic
