// The progress meter's line: sizes in binary units, the share of the
// expected size, the rate and the time left, and the cases where they are
// not known yet.

#include "platform/progress_meter.h"

#include <gtest/gtest.h>

namespace korval::platform {
namespace {

TEST(ProgressMeterTest, LineForEachStateOfATransfer) {
  constexpr std::int64_t MiB = 1 << 20;
  const struct {
    std::int64_t bytes, expected, elapsedMs;
    const char* line;
  } cases[] = {
      {0, 8 * MiB, 0, "0 B of 8.0 MiB    0%  -- B/s  --:-- left"},
      {2 * MiB, 8 * MiB, 1000, "2.0 MiB of 8.0 MiB   25%  2.0 MiB/s  0:03 left"},
      {MiB + MiB / 2, 8 * MiB, 500, "1.5 MiB of 8.0 MiB   18%  3.0 MiB/s  0:03 left"},
      {8 * MiB, 8 * MiB, 4000, "8.0 MiB of 8.0 MiB  100%  2.0 MiB/s  0:00 left"},
      // An ASCII receive may bring more than the size given: never over 100%.
      {9 * MiB, 8 * MiB, 1000, "9.0 MiB of 8.0 MiB  100%  9.0 MiB/s  0:00 left"},
      // Long transfers: hours in the time left.
      {MiB, 4096 * MiB, 1000, "1.0 MiB of 4.0 GiB    0%  1.0 MiB/s  1:08:15 left"},
      // Without a size: the count and the rate.
      {512, 0, 1000, "512 B  512 B/s"},
      {1023 * 1024 + 1000, 0, 1000, "1.0 MiB  1.0 MiB/s"},
      {10 * 1024, 0, 0, "10.0 KiB  -- B/s"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressMeterLine(c.bytes, c.expected, c.elapsedMs), c.line) << c.line;
}

}  // namespace
}  // namespace korval::platform
