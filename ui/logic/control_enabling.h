#pragma once
// Which pane buttons are enabled, from the connection state, what the server
// allows and the two selections. The window applies the states; the rules
// need no widget, so their tables are tested without a display.

#include <vector>

namespace korval::ui::logic {

struct EnablingInput {
  bool LoggedOn = false;
  bool CanMkd = false;
  bool CanRename = false;
  bool CanDelete = false;
  int LocalSelected = 0;   // selection count of the local list
  int RemoteSelected = 0;  // selection count of the remote list
  bool HideButtons = false;  // HIDBTN: the pane buttons are hidden
};

struct SlotEnabled {
  int Slot;
  bool Enabled;
  friend bool operator==(const SlotEnabled&, const SlotEnabled&) = default;
};

// Remote ChgDir and MkDir.
std::vector<SlotEnabled> RemoteDirButtonStates(const EnablingInput& input);
// Local View, Exec, Rename and Delete.
std::vector<SlotEnabled> LocalSelectionButtonStates(const EnablingInput& input);
// Remote View, Exec, Rename, Delete, Refresh, DirInfo and the two arrows.
std::vector<SlotEnabled> RemoteSelectionButtonStates(const EnablingInput& input);
// The three above in this order. With HIDBTN the hidden buttons keep their
// states, but the arrows, which stay visible, still follow the connection:
// otherwise they would stay enabled while disconnected.
std::vector<SlotEnabled> ControlStates(const EnablingInput& input);

}  // namespace korval::ui::logic
