// The Transfer Status dialog's bar: percent from the progress text, and the
// filled width.

#include "ui/logic/transfer_status_bar.h"

#include <gtest/gtest.h>

namespace korval::ui::logic {
namespace {

TEST(ProgressPercent, TheLeadingNumberAgainstTheExpectedSize) {
  struct Case {
    const char* text;
    std::int64_t expected;
    std::int64_t percent;
  } cases[] = {
      {"512 : 1.00 KBps", 1024, 50},
      {"1024 : 1.00 KBps : 0:01", 1024, 100},
      {"1536 : 2.00 KBps", 1024, 150},            // more than announced
      {"0 : 0.00 bps", 1024, 0},
      {"", 1024, 0},
      {"x12 : 1 bps", 1024, 0},
      {"500", 0, 0},                               // no size known
      {"250000000 : 9.5 MBps", 1000000000, 25},    // large sizes in hundredths
      {"999999 : 1 Kbps", 999999, 100},
      {"5000001", 10000000, 50},
      {"99999999999999999999999 : x", 1000, 99999999999999999},  // digits past any size stop, no overflow
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressPercent(c.text, c.expected), c.percent) << c.text;
}

TEST(FilledWidth, HundredthsOfTheRoundedWidthAndFullPastOneHundred) {
  struct Case {
    int width;
    std::int64_t percent;
    int filled;
  } cases[] = {
      {250, 0, 0}, {250, -5, 0}, {250, 1, 2}, {250, 50, 100}, {250, 99, 198},
      {250, 100, 200}, {250, 150, 200}, {99, 50, 0}, {99, 100, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FilledWidth(c.width, c.percent), c.filled) << c.width << " " << c.percent;
  EXPECT_EQ(PercentText(37), "37%");
}

}  // namespace
}  // namespace korval::ui::logic
