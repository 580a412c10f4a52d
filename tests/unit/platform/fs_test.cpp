#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temporary_directory.h"

namespace korval::platform {
namespace {

namespace fs = std::filesystem;
using korval::testing::TemporaryDirectory;

// "<prefix><four hex digits>.TMP".
bool IsTemporaryName(const std::string& path, const std::string& prefix) {
  const std::string name = fs::path(path).filename().string();
  if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(prefix.size() + 4, 4, ".TMP") != 0) return false;
  for (std::size_t i = prefix.size(); i < prefix.size() + 4; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i])) || std::islower(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

std::set<std::string> NamesIn(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

class TemporaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(directory.Valid()) << directory.Error();
    SetTemporaryDirectoryOverride(directory.Path().string());
  }
  void TearDown() override {
    SetTemporaryDirectoryOverride(std::nullopt);
    SetTemporaryNumberSeed(std::nullopt);
  }
  TemporaryDirectory directory;
};

TEST_F(TemporaryFileTest, NamesArePrefixFourHexDigitsAndTmpInTheTemporaryDirectory) {
  TemporaryFile file = CreateTemporaryFile("DIR");
  ASSERT_TRUE(file.Valid());
  EXPECT_EQ(fs::path(file.Path()).parent_path(), directory.Path());
  EXPECT_TRUE(IsTemporaryName(file.Path(), "DIR")) << file.Path();
  struct stat status {};
  ASSERT_EQ(::stat(file.Path().c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(status.st_size, 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u) << "listings of the user's directories are private";

  // A longer prefix is cut to three characters, as the names are.
  TemporaryFile longer = CreateTemporaryFile("DSPLAY");
  EXPECT_TRUE(IsTemporaryName(longer.Path(), "DSP")) << longer.Path();
}

TEST_F(TemporaryFileTest, NameInUseIsSkippedAndItsFileLeftAlone) {
  ASSERT_TRUE(directory.WriteFile("DIR1235.TMP", "someone else's"));
  SetTemporaryNumberSeed(0x1234);
  TemporaryFile first = CreateTemporaryFile("DIR");
  TemporaryFile second = CreateTemporaryFile("DIR");
  EXPECT_EQ(fs::path(first.Path()).filename(), "DIR1234.TMP");
  EXPECT_EQ(fs::path(second.Path()).filename(), "DIR1236.TMP");
  EXPECT_EQ(directory.ReadFile("DIR1235.TMP"), "someone else's");

  // The numbers wrap from FFFF to 0001, never using 0000.
  SetTemporaryNumberSeed(0xFFFF);
  TemporaryFile last = CreateTemporaryFile("EDT");
  TemporaryFile wrapped = CreateTemporaryFile("EDT");
  EXPECT_EQ(fs::path(last.Path()).filename(), "EDTFFFF.TMP");
  EXPECT_EQ(fs::path(wrapped.Path()).filename(), "EDT0001.TMP");
}

TEST_F(TemporaryFileTest, OwnerDeletesItsFileUnlessReleased) {
  std::string kept;
  std::string moved;
  {
    TemporaryFile dropped = CreateTemporaryFile("DIR");
    TemporaryFile released = CreateTemporaryFile("DSP");
    TemporaryFile source = CreateTemporaryFile("EDT");
    ASSERT_TRUE(dropped.Valid() && released.Valid() && source.Valid());
    kept = released.Release();
    EXPECT_FALSE(released.Valid());
    TemporaryFile target = std::move(source);
    moved = target.Path();
    EXPECT_FALSE(source.Valid());
    EXPECT_TRUE(fs::exists(moved));
  }
  EXPECT_EQ(NamesIn(directory.Path()), std::set<std::string>{fs::path(kept).filename().string()});
  EXPECT_FALSE(fs::exists(moved));

  // Remove() reports a file already gone as gone.
  TemporaryFile vanishing = CreateTemporaryFile("DIR");
  ASSERT_EQ(::unlink(vanishing.Path().c_str()), 0);
  EXPECT_TRUE(vanishing.Remove());
  EXPECT_FALSE(vanishing.Valid());
}

TEST_F(TemporaryFileTest, MissingDirectoryGivesNoFile) {
  EXPECT_FALSE(CreateTemporaryFileIn(directory.FilePath("missing").string(), "DIR").Valid());
  EXPECT_FALSE(CreateTemporaryFileIn("", "DIR").Valid());
}

TEST(TemporaryDirectoryPath, OverrideThenTmpdirThenTmp) {
  const char* saved = std::getenv("TMPDIR");
  std::string savedValue = saved ? saved : "";
  SetTemporaryDirectoryOverride(std::nullopt);
  ::setenv("TMPDIR", "/var/tmp/korval-x", 1);
  EXPECT_EQ(TemporaryDirectoryPath(), "/var/tmp/korval-x");
  ::setenv("TMPDIR", "", 1);
  EXPECT_EQ(TemporaryDirectoryPath(), "/tmp");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(TemporaryDirectoryPath(), "/tmp");
  SetTemporaryDirectoryOverride("/somewhere");
  EXPECT_EQ(TemporaryDirectoryPath(), "/somewhere");
  SetTemporaryDirectoryOverride(std::nullopt);
  if (saved) ::setenv("TMPDIR", savedValue.c_str(), 1);
}

// The clean-up deletes what this run handed out, and nothing else of the
// same prefix: another run's view files, an edit job's file taken back.
TEST(RemoveFilesOfThisRun, DeletesOnlyTheFilesThisRunLeft) {
  TemporaryDirectory directory;
  for (const char* name : {"DSP1234.TMP", "DSPA000.txt", "EDT0001.TMP", "DSP9999.TMP", "EDT7777.TMP"})
    ASSERT_TRUE(directory.WriteFile(name, "x"));
  RemoveAtShutdown(directory.FilePath("DSP1234.TMP").string());
  RemoveAtShutdown(directory.FilePath("DSPA000.txt").string());
  RemoveAtShutdown(directory.FilePath("EDT0001.TMP").string());
  KeepAtShutdown(directory.FilePath("EDT0001.TMP").string());  // an edit still running or failed
  RemoveAtShutdown(directory.FilePath("gone.TMP").string());    // removed meanwhile by its viewer

  EXPECT_EQ(RemoveFilesOfThisRun(), 2);
  EXPECT_EQ(NamesIn(directory.Path()), (std::set<std::string>{"DSP9999.TMP", "EDT0001.TMP", "EDT7777.TMP"}));
  EXPECT_EQ(RemoveFilesOfThisRun(), 0) << "each file is deleted once";
}

TEST(MatchesLocalMask, WildcardsAndExtensionsAsADirectoryEnumeration) {
  struct Case {
    const char* name;
    const char* mask;
    bool matches;
  };
  const Case cases[] = {
      {"notes.txt", "*.*", true},       {"README", "*.*", true},          {".profile", "*.*", true},
      {"a.b.c", "*.*", true},           {"notes.txt", "*.txt", true},     {"NOTES.TXT", "*.txt", true},
      {"notes.txt.bak", "*.txt", false}, {"a.b.txt", "*.txt", true},      {"notes", "*.txt", false},
      {"notes.txt", "n?tes.*", true},   {"notes", "notes.*", true},       {"nots.txt", "n?tes.*", false},
      {"report-2024.csv", "*2024*", true}, {"x", "*", true},              {"", "*", true},
      {"abc", "a*c", true},             {"abcbc", "a*bc", true},          {"abcd", "a*c", false},
      {"100%.txt", "100%.*", true},     {"-dash", "-*", true},            {"with space.c", "* *.c", true},
      {"caf\xe9.txt", "caf?.txt", true}, {"notes.txt", "notes.txt", true}, {"notes.txt", "note.txt", false},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesLocalMask(c.name, c.mask), c.matches) << c.name << " / " << c.mask;
}

TEST(ReadDirectory, DotsFirstThenByteOrderWithLinksFollowed) {
  TemporaryDirectory directory;
  ASSERT_TRUE(directory.WriteFile("b.bin", "12345"));
  ASSERT_TRUE(directory.WriteFile("-dash", ""));
  ASSERT_TRUE(directory.WriteFile("Z", ""));
  ASSERT_TRUE(directory.CreateDirectory("sub"));
  fs::create_symlink("sub", directory.FilePath("to-sub"));
  fs::create_symlink("b.bin", directory.FilePath("to-b"));
  fs::create_symlink("nowhere", directory.FilePath("dangling"));

  std::optional<std::vector<DirectoryEntry>> entries = ReadDirectory(directory.Path().string());
  ASSERT_TRUE(entries.has_value());
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : *entries) names.push_back(entry.Name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "-dash", "Z", "b.bin", "dangling", "sub", "to-b", "to-sub"}));
  auto find = [&](const std::string& name) {
    for (const DirectoryEntry& entry : *entries)
      if (entry.Name == name) return entry;
    return DirectoryEntry{};
  };
  EXPECT_TRUE(find(".").IsDirectory);
  EXPECT_TRUE(find("..").IsDirectory);
  EXPECT_EQ(find("b.bin").Size, 5u);
  EXPECT_TRUE(find("to-sub").IsDirectory);
  EXPECT_TRUE(find("to-sub").IsSymbolicLink);
  EXPECT_EQ(find("to-b").Size, 5u);
  EXPECT_FALSE(find("dangling").IsDirectory);
  EXPECT_TRUE(find("dangling").IsSymbolicLink);
  EXPECT_EQ(find("dangling").Size, 0u);
  EXPECT_EQ(find("sub").Size, 0u) << "directories have no size";

  EXPECT_FALSE(ReadDirectory(directory.FilePath("missing").string()).has_value());
  EXPECT_FALSE(ReadDirectory(directory.FilePath("b.bin").string()).has_value());
}

TEST(AvailableDrives, NoneUnlessATestInstallsSome) {
  EXPECT_TRUE(AvailableDrives().empty());
  SetAvailableDrivesOverride(std::vector<char>{'c', 'd'});
  EXPECT_EQ(AvailableDrives(), (std::vector<char>{'c', 'd'}));
  SetAvailableDrivesOverride(std::nullopt);
  EXPECT_TRUE(AvailableDrives().empty());
}

}  // namespace
}  // namespace korval::platform
