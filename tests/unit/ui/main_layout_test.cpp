// The layout arithmetic against rectangles worked out by hand for a 640 x 480
// client area with base units 8 x 16, and the edge cases that move them.

#include "ui/logic/main_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace korval::ui::logic {
namespace {

LayoutInput Normal640() {
  LayoutInput input;
  input.ClientWidth = 640;
  input.ClientHeight = 480;
  input.SystemBaseUnitX = 8;
  input.SystemBaseUnitY = 16;
  return input;
}

std::string Describe(const Rect& r) {
  return "{" + std::to_string(r.X) + "," + std::to_string(r.Y) + "," + std::to_string(r.Width) + "," +
         std::to_string(r.Height) + "}";
}

TEST(ComputeLayout, NormalLayoutPlacesEveryVisibleSlot) {
  const LayoutResult layout = ComputeLayout(Normal640());
  EXPECT_EQ(layout.BaseUnitX, 8);
  EXPECT_EQ(layout.BaseUnitY, 16);
  EXPECT_EQ(layout.SplitX, 264);
  EXPECT_EQ(layout.SplitY, 166);

  std::vector<std::pair<int, Rect>> expected = {
      {0, {14, 28, 202, 176}},   {1, {272, 28, 352, 176}},  {2, {20, 420, 586, 16}},
      {3, {20, 436, 586, 16}},   {4, {20, 396, 76, 16}},    {5, {544, 396, 76, 16}},
      {6, {608, 420, 20, 32}},   {8, {232, 225, 28, 28}},   {9, {232, 193, 28, 28}},
      {28, {170, 396, 78, 20}},  {29, {270, 396, 78, 20}},  {30, {370, 396, 78, 20}},
      {38, {14, 62, 146, 326}},  {39, {272, 62, 294, 326}},
  };
  for (int i = 0; i < 9; ++i) {
    expected.push_back({10 + i, {168, 62 + i * 28, 54, 28}});
    expected.push_back({19 + i, {574, 62 + i * 28, 54, 28}});
  }
  for (int j = 0; j < 7; ++j) expected.push_back({31 + j, {91 * j + 1, 458, 91, 20}});
  ASSERT_EQ(expected.size(), 39u);
  for (const auto& [slotNumber, rect] : expected)
    EXPECT_EQ(layout.Slots[slotNumber], rect) << "slot " << slotNumber << " is " << Describe(layout.Slots[slotNumber]);

  EXPECT_EQ(layout.LocalLabel, (Point{14, 4}));
  EXPECT_EQ(layout.RemoteLabel, (Point{272, 4}));
  ASSERT_TRUE(layout.HasPaneFrames);
  EXPECT_EQ(layout.LocalFrame, (Frame{6, 12, 226, 392}));
  EXPECT_EQ(layout.RemoteFrame, (Frame{264, 12, 632, 392}));
  for (int slotNumber = 0; slotNumber < ControlCount; ++slotNumber)
    EXPECT_EQ(SlotVisible(slotNumber, layout), slotNumber != slot::WorkList) << "slot " << slotNumber;
}

struct LayoutCase {
  std::string name;
  LayoutInput input;
  int baseUnitX;
  int baseUnitY;
  int splitX;
  int splitY;
  std::vector<std::pair<int, Rect>> slots;
};

class ComputeLayoutCases : public testing::TestWithParam<LayoutCase> {};

TEST_P(ComputeLayoutCases, GivesTheRectangles) {
  const LayoutCase& c = GetParam();
  const LayoutResult layout = ComputeLayout(c.input);
  EXPECT_EQ(layout.BaseUnitX, c.baseUnitX);
  EXPECT_EQ(layout.BaseUnitY, c.baseUnitY);
  EXPECT_EQ(layout.SplitX, c.splitX);
  EXPECT_EQ(layout.SplitY, c.splitY);
  for (const auto& [slotNumber, rect] : c.slots)
    EXPECT_EQ(layout.Slots[slotNumber], rect) << "slot " << slotNumber << " is " << Describe(layout.Slots[slotNumber]);
}

LayoutInput With(LayoutInput input, auto change) {
  change(input);
  return input;
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, ComputeLayoutCases,
    testing::Values(
        // Too small for the grid: computed for 200 x 100 with base units
        // 3 x 4; the split beyond the real (unclamped) width is the default.
        LayoutCase{"Client150x80ShrinksTheBaseUnits",
                   With(Normal640(), [](LayoutInput& i) { i.ClientWidth = 150; i.ClientHeight = 80; i.SplitX = 180; }),
                   3, 4, 99, 41,
                   {{38, {5, 15, 55, 62}}, {39, {102, 15, 71, 62}}, {31, {2, 95, 28, 5}}, {37, {170, 95, 28, 5}}}},
        LayoutCase{"SplitBeyondTheWidthIsTheDefault",
                   With(Normal640(), [](LayoutInput& i) { i.SplitX = 700; }), 8, 16, 264, 166,
                   {{38, {14, 62, 146, 326}}, {8, {232, 225, 28, 28}}}},
        LayoutCase{"SplitPastTheRemoteButtonsIsPulledBack",
                   With(Normal640(), [](LayoutInput& i) { i.SplitX = 600; }), 8, 16, 544, 166,
                   {{8, {512, 225, 28, 28}}, {10, {448, 62, 54, 28}}, {38, {14, 62, 426, 326}},
                    {39, {552, 62, 14, 326}}, {1, {552, 28, 72, 176}}}},
        LayoutCase{"SplitBelowItsMinimumIsRaised",
                   With(Normal640(), [](LayoutInput& i) { i.SplitX = 100; }), 8, 16, 136, 166,
                   {{8, {104, 225, 28, 28}}, {10, {40, 62, 54, 28}}, {38, {14, 62, 18, 326}},
                    {0, {14, 28, 74, 176}}, {39, {144, 62, 422, 326}}}},
        LayoutCase{"SplitYIsKeptBetweenTheListsTopAndBottom",
                   With(Normal640(), [](LayoutInput& i) { i.SplitY = 1000; }), 8, 16, 264, 388, {}},
        LayoutCase{"SplitYBelowTheListsTopIsRaised",
                   With(Normal640(), [](LayoutInput& i) { i.SplitY = 10; }), 8, 16, 264, 62, {}},
        LayoutCase{"AlternateLayoutStacksThePanes",
                   With(Normal640(), [](LayoutInput& i) { i.Alternate = true; }), 8, 16, 264, 166,
                   {{38, {14, 32, 612, 112}},
                    {39, {14, 198, 612, 192}},
                    {0, {120, 4, 436, 176}},
                    {1, {120, 170, 436, 176}},
                    {4, {560, 4, 76, 16}},
                    {5, {560, 170, 76, 16}},
                    {2, {20, 420, 506, 16}},
                    {3, {20, 436, 506, 16}},
                    {6, {528, 420, 20, 32}},
                    {28, {560, 418, 66, 16}},
                    {29, {560, 434, 66, 16}},
                    {30, {560, 490, 66, 16}},  // below the client area
                    {10, {14, 148, 61, 20}},
                    {12, {136, 148, 61, 20}},
                    {13, {258, 148, 61, 20}},  // position 3 is the Transfer button's
                    {18, {563, 148, 61, 20}},
                    {19, {14, 394, 61, 20}},
                    {27, {563, 394, 61, 20}},
                    {8, {197, 148, 61, 20}},
                    {9, {197, 394, 61, 20}},
                    {31, {1, 458, 91, 20}}}},
        LayoutCase{"ButtonsOnTopMoveEverythingDown",
                   With(Normal640(), [](LayoutInput& i) { i.ButtonsOnTop = true; }), 8, 16, 264, 190,
                   {{31, {1, 1, 91, 20}}, {37, {547, 1, 91, 20}}, {38, {14, 86, 146, 326}},
                    {0, {14, 52, 202, 176}}, {2, {20, 444, 586, 16}}, {28, {170, 420, 78, 20}},
                    {10, {168, 86, 54, 28}}}},
        LayoutCase{"HiddenButtonsWidenTheListsInTheNormalLayout",
                   With(Normal640(), [](LayoutInput& i) { i.HideButtons = true; }), 8, 16, 264, 166,
                   {{38, {14, 62, 202, 326}}, {39, {272, 62, 352, 326}}, {8, {232, 225, 28, 28}}}},
        LayoutCase{"HiddenButtonsLengthenTheListsInTheAlternateLayout",
                   With(Normal640(), [](LayoutInput& i) { i.HideButtons = true; i.Alternate = true; }), 8, 16, 264,
                   166, {{38, {14, 32, 612, 132}}, {39, {14, 198, 612, 212}}}}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(ComputeLayout, AlternateLayoutHasNoFramesAndLabelsAtTheLeftEdge) {
  const LayoutResult layout = ComputeLayout(With(Normal640(), [](LayoutInput& i) { i.Alternate = true; }));
  EXPECT_FALSE(layout.HasPaneFrames);
  EXPECT_EQ(layout.LocalLabel, (Point{0, 12}));
  EXPECT_EQ(layout.RemoteLabel, (Point{0, 178}));
}

TEST(ComputeLayout, HiddenButtonsHideTheArrowsOnlyInTheAlternateLayout) {
  struct Case {
    bool alternate;
    bool arrowsShown;
  };
  for (const Case c : {Case{false, true}, Case{true, false}}) {
    const LayoutResult layout = ComputeLayout(With(Normal640(), [&](LayoutInput& i) {
      i.HideButtons = true;
      i.Alternate = c.alternate;
    }));
    for (int slotNumber = slot::FirstLocalPaneButton; slotNumber < slot::Ascii; ++slotNumber)
      EXPECT_FALSE(SlotVisible(slotNumber, layout)) << "slot " << slotNumber << " alternate " << c.alternate;
    EXPECT_EQ(SlotVisible(slot::Send, layout), c.arrowsShown);
    EXPECT_EQ(SlotVisible(slot::Receive, layout), c.arrowsShown);
    EXPECT_TRUE(SlotVisible(slot::LocalFileList, layout));
    EXPECT_TRUE(SlotVisible(slot::Connect, layout));
  }
}

TEST(SplitsAfterResize, KeepsASplitOnlyWhileTheWindowHasRoomForIt) {
  struct Case {
    const char* what;
    ResizeInput input;
    Splits expected;
  };
  const ResizeInput base{640, 480, 480, 700, 480, 166, 300, 166, 8};
  auto with = [&](auto change) {
    ResizeInput input = base;
    change(input);
    return input;
  };
  const Case cases[] = {
      {"narrower, split still inside two thirds", base, {300, 166}},
      {"narrower than saved and split past two thirds", with([](ResizeInput& i) { i.NewWidth = 400; }), {0, 166}},
      {"split under the default minimum", with([](ResizeInput& i) { i.SplitX = 250; }), {0, 166}},
      {"wider than saved keeps a split past two thirds",
       with([](ResizeInput& i) { i.NewWidth = 420; i.SavedWindowWidth = 400; i.SplitX = 290; }), {290, 166}},
      {"taller than saved and last", with([](ResizeInput& i) { i.NewHeight = 500; }), {300, 0}},
      {"height as before this resize", with([](ResizeInput& i) { i.NewHeight = 500; i.LastHeight = 500; }),
       {300, 166}},
      {"split moved since start", with([](ResizeInput& i) { i.SplitY = 200; i.LastHeight = 470; }), {300, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitsAfterResize(c.input), c.expected) << c.what;
}

TEST(DividerAt, FindsTheDividerWithinItsBand) {
  struct Case {
    int x, y;
    bool alternate;
    Divider expected;
  };
  const Case cases[] = {
      {259, 300, false, Divider::None},     {260, 300, false, Divider::Vertical},
      {265, 300, false, Divider::Vertical}, {266, 300, false, Divider::None},
      {100, 162, false, Divider::Horizontal}, {100, 170, false, Divider::Horizontal},
      {100, 171, false, Divider::None},     {262, 166, true, Divider::None},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DividerAt(c.x, c.y, 264, 166, c.alternate), c.expected) << c.x << "," << c.y;
}

TEST(CursorAt, WaitWinsThenTheDividerBand) {
  EXPECT_EQ(CursorAt(262, 264, false, true), MainCursor::Wait);
  EXPECT_EQ(CursorAt(262, 264, false, false), MainCursor::SplitHorizontal);
  EXPECT_EQ(CursorAt(262, 264, true, false), MainCursor::Arrow);
  EXPECT_EQ(CursorAt(100, 264, false, false), MainCursor::Arrow);
}

}  // namespace
}  // namespace korval::ui::logic
