// LOC as the old writer, the new writer and a hand editor leave it: fields
// count only when a comma follows them, and the window always lands on a
// screen.

#include "ui/logic/window_location.h"

#include <gtest/gtest.h>

namespace korval::ui::logic {
namespace {

constexpr Rect Primary{0, 0, 1920, 1080};
// A second monitor left of and above the primary one.
constexpr Rect TwoScreens{-1920, -200, 3840, 1280};

TEST(ReadWindowLocation, TakesTheFieldsItsCommasAllow) {
  struct Case {
    const char* text;
    Rect screen;
    WindowPlacement expected;
  };
  const Case cases[] = {
      {"", Primary, {{10, 10, 500, 440}, 0, 0}},
      {"100,50", Primary, {{100, 10, 500, 440}, 0, 0}},  // no comma after the top
      {"x,y", Primary, {{0, 10, 500, 440}, 0, 0}},
      {"1,2,700,500", Primary, {{1, 2, 700, 500}, 0, 0}},
      {"1,2,3,4", Primary, {{1, 2, 200, 100}, 0, 0}},  // raised to the minimum size
      {"1,2,700,500,300", Primary, {{1, 2, 700, 500}, 0, 0}},
      {"1,2,700,500,300,", Primary, {{1, 2, 700, 500}, 300, 0}},
      {"1,2,700,500,300,200", Primary, {{1, 2, 700, 500}, 300, 200}},
      {" 20, 30,700,500", Primary, {{20, 30, 700, 500}, 0, 0}},
      {"-100,-50,800,600,300,200", Primary, {{0, 0, 800, 600}, 300, 200}},
      {"-100,-50,800,600,300,200", TwoScreens, {{-100, -50, 800, 600}, 300, 200}},
      // As the unsigned writer stored -100 and -50.
      {"4294967196,4294967246,800,600,300,200", Primary, {{0, 0, 800, 600}, 300, 200}},
      {"4294967196,4294967246,800,600,300,200", TwoScreens, {{-100, -50, 800, 600}, 300, 200}},
      {"5000,3000,800,600", Primary, {{1120, 480, 800, 600}, 0, 0}},
      {"0,0,4000,3000", Primary, {{0, 0, 1920, 1080}, 0, 0}},
      {"-5000,0,800,600", TwoScreens, {{-1920, 0, 800, 600}, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadWindowLocation(c.text, c.screen), c.expected) << '"' << c.text << '"';
}

TEST(ParseWindowLocation, ReadsOldUnsignedValuesAsSigned) {
  const WindowPlacement placement = ParseWindowLocation("4294967196,4294967295,1,2,3,4294967290");
  EXPECT_EQ(placement.Window, (Rect{-100, -1, 1, 2}));
  EXPECT_EQ(placement.SplitX, 3);
  EXPECT_EQ(placement.SplitY, -6);
}

TEST(FormatWindowLocation, WritesSignedValuesTheReaderRestores) {
  const WindowPlacement placement{{-100, -50, 800, 600}, 300, 200};
  EXPECT_EQ(FormatWindowLocation(placement), "-100,-50,800,600,300,200");
  EXPECT_EQ(ReadWindowLocation(FormatWindowLocation(placement), TwoScreens), placement);
}

TEST(ClientRectangleForOuter, TakesTheFrameOffSoTheOuterRectangleIsWhatWasSaved) {
  struct Case {
    Rect outer;
    FrameMargins margins;
    Rect client;
  } cases[] = {
      {{100, 80, 640, 480}, {}, {100, 80, 640, 480}},                  // no window manager
      {{100, 80, 640, 480}, {1, 20, 1, 1}, {101, 100, 638, 459}},      // title bar and border
      {{-1920, -200, 800, 600}, {4, 24, 4, 4}, {-1916, -176, 792, 572}},  // left of the primary screen
      {{0, 0, 10, 10}, {8, 30, 8, 8}, {8, 30, 1, 1}},                  // a frame larger than the window
  };
  for (const Case& c : cases) {
    const Rect client = ClientRectangleForOuter(c.outer, c.margins);
    EXPECT_EQ(client, c.client) << c.outer.X << "," << c.outer.Y << "," << c.outer.Width << "," << c.outer.Height;
  }
}

}  // namespace
}  // namespace korval::ui::logic
