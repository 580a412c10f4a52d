#include "ui/logic/dialog_placement.h"

#include <algorithm>

namespace korval::ui::logic {

Point CenterDialog(const DialogPlacementInput& input) {
  const Rect& reference = !input.HasParent || !input.MainWindowShown ? input.Desktop
                          : input.VerticalOffset != 0                ? input.Parent
                                                                     : input.MainWindow;
  const int centreX = reference.X + reference.Width / 2;
  const int centreY = reference.Y + reference.Height / 2;
  Point corner{centreX - input.Width / 2, centreY - input.Height / 2 + input.VerticalOffset};
  const Rect& desktop = input.Desktop;
  corner.X = std::min(corner.X, desktop.X + desktop.Width - input.Width);
  corner.Y = std::min(corner.Y, desktop.Y + desktop.Height - input.Height);
  // The desktop's top-left corner, which is (0, 0) on a single screen.
  corner.X = std::max(corner.X, desktop.X);
  corner.Y = std::max(corner.Y, desktop.Y);
  return corner;
}

}  // namespace korval::ui::logic
