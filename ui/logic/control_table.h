#pragma once
// The main window's 40 controls, by slot: the one static table the window
// creates its widgets from, and what follows from it (tab order, the
// captions that change with the layout). No Qt here: ui/ builds widgets from
// these rows.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace korval::ui::logic {

enum class ControlKind {
  DirectoryBox,  // drop-down list of directories
  StatusText,    // one line of text, left aligned
  ProgressText,  // one line of text, right aligned
  ScrollBar,     // vertical
  WorkList,      // the hidden list the local listing is read through
  PushButton,
  MaskField,     // one-line edit field
  RadioButton,   // no tab stop
  CheckBox,
  FileList,      // owner-drawn list with extended selection
};

struct ControlSlot {
  std::uint32_t HelpContext;  // opened by Ctrl+F1 on the control
  ControlKind Kind;
  std::string_view Caption;
  int Id;                     // command id; -1 for none
  bool Visible;               // created visible (slot 7 is the only hidden one)
  bool TabStop;               // part of the Tab walk
};

constexpr int ControlCount = 40;

// Slot numbers the window and its rules name.
namespace slot {
constexpr int LocalDirectoryBox = 0;
constexpr int RemoteDirectoryBox = 1;
constexpr int StatusLine1 = 2;
constexpr int StatusLine2 = 3;
constexpr int LocalProgress = 4;
constexpr int RemoteProgress = 5;
constexpr int StatusScrollBar = 6;
constexpr int WorkList = 7;
constexpr int Send = 8;
constexpr int Receive = 9;
constexpr int FirstLocalPaneButton = 10;   // local ChgDir; nine in a row, the mask field third
constexpr int LocalMask = 12;
constexpr int FirstRemotePaneButton = 19;  // remote ChgDir
constexpr int RemoteMask = 21;
constexpr int PaneButtonCount = 9;
constexpr int Ascii = 28;
constexpr int Binary = 29;
constexpr int Auto = 30;
constexpr int FirstMainButton = 31;        // Connect; seven in a row
constexpr int Connect = 31;
constexpr int MainButtonCount = 7;
constexpr int LocalFileList = 38;
constexpr int RemoteFileList = 39;
}  // namespace slot

const std::array<ControlSlot, ControlCount>& ControlTable();

// The slot holding command id `id`, or nullopt (ids -1 name no slot).
std::optional<int> SlotOfId(int id);

// Whether `slot` is one of the 18 pane buttons (mask fields included).
bool IsPaneButton(int slot);

// The caption of `slot` in the current layout: the alternate layout calls
// both transfer buttons "Transfer".
std::string_view SlotCaption(int slot, bool alternateLayout);

// The slots with a tab stop, in slot order (29 of them).
std::vector<int> TabOrderSlots();

}  // namespace korval::ui::logic
