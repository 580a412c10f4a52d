// The About box's system and free-space lines.

#include "ui/logic/about_box.h"

#include <gtest/gtest.h>

namespace korval::ui::logic {
namespace {

TEST(AboutBox, SystemLineNamesKernelThreadsAndProcessors) {
  struct Case {
    SystemDescription system;
    const char* expected;
  };
  const Case cases[] = {
      {{"Linux", "6.1.0-18-amd64", "x86_64", 2, true}, "Linux 6.1.0-18-amd64 (threaded) - 2 x86_64 CPUs"},
      {{"Linux", "5.10.0", "aarch64", 1, true}, "Linux 5.10.0 (threaded) - 1 aarch64 CPU"},
      {{"Linux", "5.10.0", "", 0, false}, "Linux 5.10.0 - 1 unknown CPU"},
      {{"", "", "i686", 4, true}, "unknown (threaded) - 4 i686 CPUs"},
  };
  for (const Case& c : cases) EXPECT_EQ(AboutSystemLine(c.system), c.expected);
}

TEST(AboutBox, FreeSpaceInKilobytes) {
  struct Case {
    std::uint64_t blocks;
    std::uint64_t blockSize;
    const char* expected;
  };
  const Case cases[] = {
      {0, 4096, "0 KB Free"},
      {10, 4096, "40 KB Free"},
      {3, 512, "1 KB Free"},
      {1ull << 40, 4096, "4398046511104 KB Free"},  // 4 PiB: more than 32 bits of kilobytes
  };
  for (const Case& c : cases) EXPECT_EQ(AboutFreeSpaceLine(c.blocks, c.blockSize), c.expected);
}

TEST(AboutBox, ThisMachineHasAKernelAndProcessors) {
  const SystemDescription system = CurrentSystem();
  EXPECT_EQ(system.KernelName, "Linux");
  EXPECT_GE(system.Processors, 1u);
  EXPECT_NE(CurrentFreeSpaceLine().find(" KB Free"), std::string::npos);
  EXPECT_EQ(AboutVersionLine("1.2.0", "26.12.11"), "1.2.0 26.12.11");
}

}  // namespace
}  // namespace korval::ui::logic
