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

}  // namespace korval::ui::logic
