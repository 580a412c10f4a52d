#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace korval::testing {
namespace {

namespace fs = std::filesystem;

TEST(TemporaryDirectoryTest, HoldsFilesAndIsRemovedWithEverythingInIt) {
  fs::path path;
  {
    TemporaryDirectory directory;
    ASSERT_TRUE(directory.Valid()) << directory.Error();
    path = directory.Path();
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(path.parent_path(), TemporaryDirectory::BaseDirectory());
    const std::string bytes("a\0b\r\n", 5);
    ASSERT_TRUE(directory.WriteFile("sub/deeper/a.bin", bytes));
    EXPECT_EQ(directory.ReadFile("sub/deeper/a.bin"), bytes);
    EXPECT_TRUE(directory.CreateDirectory("empty/one"));
    EXPECT_FALSE(directory.ReadFile("missing.txt"));
  }
  EXPECT_FALSE(fs::exists(path));
}

TEST(TemporaryDirectoryTest, MovedDirectoryIsRemovedOnceByItsNewOwner) {
  TemporaryDirectory moved;
  fs::path path;
  {
    TemporaryDirectory original("korval-move-");
    path = original.Path();
    moved = std::move(original);
  }
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(moved.Path(), path);
  moved.Remove();
  EXPECT_FALSE(fs::exists(path));
}

TEST(TemporaryDirectoryTest, FollowsTmpdir) {
  TemporaryDirectory base;
  ASSERT_TRUE(base.Valid());
  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  ::setenv("TMPDIR", base.Path().c_str(), 1);
  {
    TemporaryDirectory inner;
    EXPECT_EQ(inner.Path().parent_path(), base.Path());
  }
  if (saved) {
    ::setenv("TMPDIR", savedValue.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

}  // namespace
}  // namespace korval::testing
