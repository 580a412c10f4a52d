#pragma once
// LOC, the main window's remembered place: "left,top,width,height,splitX,
// splitY" in pixels, the outer rectangle of the window and the two divider
// positions. The reader is a pure function of the text and the screen: it
// never puts the window where no screen is. The writer writes signed values,
// so a window left of or above the primary screen comes back where it was.

#include <string>
#include <string_view>

#include "ui/logic/main_layout.h"

namespace korval::ui::logic {

struct WindowPlacement {
  Rect Window{10, 10, 500, 440};  // outer rectangle
  int SplitX = 0;                 // 0: the default split
  int SplitY = 0;
  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// The smallest window the reader restores.
constexpr int MinimumWindowWidth = 200;
constexpr int MinimumWindowHeight = 100;

// The fields as written, before any clamping. A field counts only when a
// comma follows it (left needs one, top two, width three); the height needs
// three commas, the splits all five. A field's leading number is read, with
// its sign; no digits read as 0; values written unsigned ("%u") read back as
// the signed 32-bit numbers they were.
WindowPlacement ParseWindowLocation(std::string_view text);

// ParseWindowLocation, then the window clamped to `screen` (the available
// desktop): at least the minimum size, at most the screen's, and wholly on it.
WindowPlacement ReadWindowLocation(std::string_view text, const Rect& screen);

std::string FormatWindowLocation(const WindowPlacement& placement);

// What a window manager's frame adds around the client area.
struct FrameMargins {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// The client area that fills the outer rectangle `outer` inside a frame of
// `margins` (the toolkit sizes the client, LOC holds the outer rectangle):
// without the frame taken off, each save and restore would grow the window
// by its frame. Never smaller than 1 x 1.
Rect ClientRectangleForOuter(const Rect& outer, const FrameMargins& margins);

}  // namespace korval::ui::logic
