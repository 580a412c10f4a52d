// Where CenterDialog puts a 300 x 200 dialog.

#include "ui/logic/dialog_placement.h"

#include <gtest/gtest.h>

namespace korval::ui::logic {
namespace {

TEST(CenterDialog, CentresOnItsReferenceAndStaysOnTheDesktop) {
  struct Case {
    const char* what;
    bool hasParent;
    bool mainShown;
    int offset;
    Rect mainWindow;
    Point expected;
  };
  const Rect parent{1000, 100, 400, 300};
  const Case cases[] = {
      {"on the main window", true, true, 0, {100, 100, 800, 600}, {350, 300}},
      {"no parent: the desktop", false, true, 0, {100, 100, 800, 600}, {810, 440}},
      {"main window minimised: the desktop", true, false, 0, {100, 100, 800, 600}, {810, 440}},
      {"offset: the parent, moved down", true, true, 50, {100, 100, 800, 600}, {1050, 200}},
      {"past the right and bottom edges", true, true, 0, {1700, 900, 400, 300}, {1620, 880}},
      {"past the left and top edges", true, true, 0, {-500, -400, 400, 300}, {0, 0}},
  };
  for (const Case& c : cases) {
    DialogPlacementInput input;
    input.Width = 300;
    input.Height = 200;
    input.HasParent = c.hasParent;
    input.MainWindowShown = c.mainShown;
    input.VerticalOffset = c.offset;
    input.Parent = parent;
    input.MainWindow = c.mainWindow;
    input.Desktop = {0, 0, 1920, 1080};
    EXPECT_EQ(CenterDialog(input), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace korval::ui::logic
