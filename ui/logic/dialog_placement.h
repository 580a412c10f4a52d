#pragma once
// Where a dialog opens: centred on the main window (or on its parent when
// the caller asks for a vertical offset), on the desktop when there is no
// usable window, and never past the desktop's edges.

#include "ui/logic/main_layout.h"

namespace korval::ui::logic {

struct DialogPlacementInput {
  int Width = 0;             // the dialog's outer size
  int Height = 0;
  bool HasParent = true;
  bool MainWindowShown = true;  // exists, is visible and is not minimised
  int VerticalOffset = 0;    // non-zero: centred on the parent, moved down by it
  Rect Parent;
  Rect MainWindow;
  Rect Desktop;
};

// The dialog's top-left corner.
Point CenterDialog(const DialogPlacementInput& input);

}  // namespace korval::ui::logic
