#pragma once
// The main window's layout arithmetic: from the client size, the base units
// and the layout settings to the rectangles of the 40 controls, the two
// painted labels and the pane frames. A pure function, so every edge case is
// tested without a window; ui/ only moves its widgets to the result.
//
// The layout is a 240 x 200 grid of dialog units: one unit is a quarter of
// the average character width (BX) across and an eighth of its height (BY)
// down. Divisions truncate toward zero after the multiplication.

#include <array>
#include <string_view>

#include "ui/logic/control_table.h"

namespace korval::ui::logic {

struct Rect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int X = 0;
  int Y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A frame from corner (X1, Y1) to corner (X2, Y2), both inclusive.
struct Frame {
  int X1 = 0;
  int Y1 = 0;
  int X2 = 0;
  int Y2 = 0;
  friend bool operator==(const Frame&, const Frame&) = default;
};

struct LayoutInput {
  int ClientWidth = 0;
  int ClientHeight = 0;
  int SystemBaseUnitX = 0;  // average character width of the list font
  int SystemBaseUnitY = 0;  // its height
  bool Alternate = false;   // LAYOUT: panes stacked instead of side by side
  bool ButtonsOnTop = false;  // BONTOP
  bool HideButtons = false;   // HIDBTN
  int SplitX = 0;           // the divider; 0 or less: the default
  int SplitY = 0;
};

struct LayoutResult {
  std::array<Rect, ControlCount> Slots{};  // slot 7 (hidden) keeps an empty rectangle
  int BaseUnitX = 0;  // the base units, shrunk to fit a small client area
  int BaseUnitY = 0;
  int SplitX = 0;     // the splits as used (defaults and clamps applied)
  int SplitY = 0;
  Point LocalLabel;   // "Local System"
  Point RemoteLabel;  // "Remote System"
  bool HasPaneFrames = false;  // the normal layout frames each pane and its buttons
  Frame LocalFrame;
  Frame RemoteFrame;
  bool PaneButtonsVisible = true;      // the 18 pane buttons
  bool TransferButtonsVisible = true;  // slots 8 and 9
};

inline constexpr std::string_view LocalLabelText = "Local System";
inline constexpr std::string_view RemoteLabelText = "Remote System";

LayoutResult ComputeLayout(const LayoutInput& input);

// Whether `slot` is shown in `layout` (slot 7 never; the pane buttons and
// the transfer buttons as HIDBTN and the layout decide).
bool SlotVisible(int slot, const LayoutResult& layout);

// The resize rule once a Connect has been tried: a user who moved the
// divider or the window keeps the split only while the window keeps room
// for it. The splits for the new client size; 0 asks for the default.
struct ResizeInput {
  int NewWidth = 0;
  int NewHeight = 0;
  int LastHeight = 0;        // client height before this resize
  int SavedWindowWidth = 0;  // from LOC at start
  int SavedWindowHeight = 0;
  int SavedSplitY = 0;
  int SplitX = 0;
  int SplitY = 0;
  int SystemBaseUnitX = 0;
};
struct Splits {
  int X = 0;
  int Y = 0;
  friend bool operator==(const Splits&, const Splits&) = default;
};
Splits SplitsAfterResize(const ResizeInput& input);

// The divider under the mouse (normal layout only): the vertical one over a
// few pixels around SplitX, else the horizontal one around SplitY.
enum class Divider { None, Vertical, Horizontal };
Divider DividerAt(int x, int y, int splitX, int splitY, bool alternateLayout);

// The cursor over the main window's own background.
enum class MainCursor { Arrow, Wait, SplitHorizontal };
MainCursor CursorAt(int mouseX, int splitX, bool alternateLayout, bool busyOnThisThread);

}  // namespace korval::ui::logic
