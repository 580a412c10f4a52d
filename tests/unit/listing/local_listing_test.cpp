// The local pane of a real folder: files, subfolders, links, an unreadable
// folder and a 5 GiB sparse file, with masks, both LONGDIR settings,
// FORCLOW and drive entries; the DirInfo report; the clean-up of the view and
// edit files.

#include "listing/local_listing.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "listing/directory_box.h"
#include "listing/listing_entry.h"
#include "listing/local_dir_report.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "platform/fs.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::listing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::uint64_t FiveGiB = 5ull << 30;
const std::string NonUtf8Name = "caf\xe9.txt";  // Latin-1, not valid UTF-8
const std::string QuotedName = "quo\"te 'x'.txt";

// 22 May 2024, 14:05 local time.
std::time_t FixedLocalTime() {
  std::tm parts{};
  parts.tm_year = 124;
  parts.tm_mon = 4;
  parts.tm_mday = 22;
  parts.tm_hour = 14;
  parts.tm_min = 5;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

void SetModifiedTime(const fs::path& path, std::time_t time) {
  timespec times[2] = {{time, 0}, {time, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

int RunInChild(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

std::vector<std::string> PaneTexts(const PaneList& pane) {
  std::vector<std::string> texts;
  pane.ForEachEntry([&](std::size_t, const ListingEntry& entry) { texts.push_back(entry.Text); });
  return texts;
}

// The display text of a file with the fixed date.
std::string LongText(const std::string& name, const std::string& size) {
  std::string padded = name;
  if (padded.size() < 12) padded.resize(12, ' ');
  std::string sizeColumn = size.size() < 10 ? std::string(10 - size.size(), ' ') + size : size;
  return padded + "\t| 240522 14:05 " + sizeColumn;
}

// The report's lines, built by padding rather than by the report's formats.
std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}
std::string DirLine(const std::string& name) { return Padded(name, 30) + " <DIR>      24-05-22  14:05\n"; }
std::string FileLine(const std::string& name, const std::string& size) {
  return Padded(name, 30) + " " + std::string(10 - size.size(), ' ') + size + " 24-05-22  14:05\n";
}

// Runs in a folder of its own as the current directory, restored afterwards.
class LocalFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.Valid()) << root.Error();
    ASSERT_TRUE(root.CreateDirectory("work"));
    folder = root.FilePath("work");
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    savedDirectory = saved;
    config::ResetProgramSettings();
    config::Settings().LocalSort = SortByName;
    config::Settings().LongDirectory = 1;
    config::ProgramFiles().ExtensionsPath = root.FilePath("KORVAL.EXT").string();  // absent: ".TXT" decides
    ResetPaneLists();
    ResetDirectoryBoxes();
    ResetPaneMasks();
    platform::SetTemporaryDirectoryOverride(root.FilePath("tmp").string());
    ASSERT_TRUE(root.CreateDirectory("tmp"));
  }
  void TearDown() override {
    EXPECT_EQ(::chdir(savedDirectory.c_str()), 0);
    std::error_code ignored;
    fs::permissions(folder / "locked", fs::perms::owner_all, ignored);
    platform::SetTemporaryDirectoryOverride(std::nullopt);
    platform::SetAvailableDrivesOverride(std::nullopt);
    config::ProgramFiles() = config::ProgramFilePaths{};
    config::ResetProgramSettings();
    ResetPaneLists();
    ResetDirectoryBoxes();
    ResetPaneMasks();
  }

  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(testing::WriteWholeFile(folder / name, bytes));
    SetModifiedTime(folder / name, FixedLocalTime());
  }
  // A file of `size` bytes that takes no room on the disk.
  void WriteSparse(const std::string& name, std::uint64_t size) {
    int fd = ::open((folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ::close(fd);
    SetModifiedTime(folder / name, FixedLocalTime());
  }
  void MakeDirectory(const std::string& name) {
    fs::create_directory(folder / name);
    SetModifiedTime(folder / name, FixedLocalTime());
  }

  // The folder of the tests: files of every awkward name, subfolders, links
  // to a file, to a folder and to nothing, an unreadable folder and a sparse
  // file of 5 GiB.
  void FillFolder() {
    Write("notes.txt", std::string(1803, 'n'));
    Write("README", "");
    Write("-dash.bin", "abc");
    Write("100%.txt", "%s%n");
    Write(QuotedName, "q");
    Write("with space.c", "int x;\n");
    Write(NonUtf8Name, "latin");
    ASSERT_NO_FATAL_FAILURE(WriteSparse("big.iso", FiveGiB));
    MakeDirectory("sub");
    MakeDirectory("Upper");
    MakeDirectory("[x]");
    MakeDirectory("locked");
    fs::permissions(folder / "locked", fs::perms::none);
    fs::create_symlink("notes.txt", folder / "to-notes");
    fs::create_symlink("sub", folder / "to-sub");
    fs::create_symlink("missing", folder / "dangling");
    SetModifiedTime(folder / "dangling", FixedLocalTime());
  }

  void EnterFolder() { ASSERT_EQ(::chdir(folder.c_str()), 0); }

  testing::TemporaryDirectory root;
  fs::path folder;
  std::string savedDirectory;
};

TEST_F(LocalFolderTest, ListsDirectoriesThenFilesWithDateAndFullSize) {
  FillFolder();
  EnterFolder();
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);

  ListLocalDirectory();

  const PaneList& pane = LocalPane();
  EXPECT_TRUE(pane.IsVisible());
  EXPECT_THAT(PaneTexts(pane),
              ElementsAre("..", "[x]", "locked", "sub", "to-sub", "Upper",  // directories, the link to one included
                          LongText("-dash.bin", "3"), LongText("100%.txt", "4"), LongText("big.iso", "5368709120"),
                          LongText(NonUtf8Name, "5"), LongText("dangling", "0"), LongText("notes.txt", "1803"),
                          LongText(QuotedName, "1"), LongText("README", "0"), LongText("to-notes", "1803"),
                          LongText("with space.c", "7")));

  std::optional<ListingEntry> big;
  pane.ForEachEntry([&](std::size_t, const ListingEntry& entry) {
    EXPECT_EQ(entry.Pane, LocalPaneNumber) << entry.Text;
    if (entry.Name() == "big.iso") big = entry;
    const bool directory = entry.Text.find('\t') == std::string::npos;
    if (directory) {
      EXPECT_EQ(entry.Kind, DirectoryKind) << entry.Text << ": a directory called [x] is no drive";
      EXPECT_EQ(entry.Year, 0) << entry.Text;
    } else {
      const bool text = entry.Name().size() > 4 && entry.Name().substr(entry.Name().size() - 4) == ".txt";
      EXPECT_EQ(entry.Kind, text ? AsciiFileKind : FileKind) << entry.Text;
      EXPECT_EQ(entry.Year, 24);
      EXPECT_EQ(entry.Month, 5);
      EXPECT_EQ(entry.Day, 22);
      EXPECT_EQ(entry.Hour, 14);
      EXPECT_EQ(entry.Minute, 5);
    }
  });
  ASSERT_TRUE(big.has_value());
  EXPECT_EQ(big->Size, FiveGiB) << "sizes past 4 GiB are kept whole";
  EXPECT_EQ(pane.WidestText(), LongText(QuotedName, "1"));

  EXPECT_THAT(LocalDirectoryBox().Items(), ElementsAre(folder.string()));
  EXPECT_EQ(LocalDirectoryBox().Text(), folder.string());
  EXPECT_EQ(LocalDirectoryBox().Selected(), std::optional<std::size_t>(0));
  EXPECT_FALSE(host.CallsTo("DirectoryBoxChanged").empty());
  EXPECT_EQ(host.CallsTo("DirectoryBoxChanged").back().text, std::to_string(LocalDirectoryBoxId));
}

TEST_F(LocalFolderTest, MaskChoosesTheFilesNeverTheDirectories) {
  FillFolder();
  EnterFolder();
  config::Settings().LongDirectory = 0;
  const std::vector<std::string> directories = {"..", "[x]", "locked", "sub", "to-sub", "Upper"};
  struct Case {
    std::string mask;
    std::vector<std::string> files;
  };
  const std::vector<Case> cases = {
      {"", {"-dash.bin", "100%.txt", "big.iso", NonUtf8Name, "dangling", "notes.txt", QuotedName, "README",
            "to-notes", "with space.c"}},
      {"*.*", {"-dash.bin", "100%.txt", "big.iso", NonUtf8Name, "dangling", "notes.txt", QuotedName, "README",
               "to-notes", "with space.c"}},
      {"*.TXT", {"100%.txt", NonUtf8Name, "notes.txt", QuotedName}},
      {"-*", {"-dash.bin"}},
      {"100%.*", {"100%.txt"}},
      {"* *", {QuotedName, "with space.c"}},
      {"readme", {"README"}},
      {"*.none", {}},
  };
  for (const Case& c : cases) {
    SetLocalMask(c.mask);
    ListLocalDirectory();
    std::vector<std::string> expected = directories;
    expected.insert(expected.end(), c.files.begin(), c.files.end());
    EXPECT_EQ(PaneTexts(LocalPane()), expected) << "mask " << c.mask;
  }
}

TEST_F(LocalFolderTest, WithoutLongDirTheTextIsTheNameAndTheFieldsStay) {
  FillFolder();
  EnterFolder();
  config::Settings().LongDirectory = 0;
  SetLocalMask("b*");
  ListLocalDirectory();
  std::optional<ListingEntry> big = LocalPane().EntryAt(6);
  ASSERT_TRUE(big.has_value());
  EXPECT_EQ(big->Text, "big.iso");
  EXPECT_EQ(big->NameLength, 7);
  EXPECT_EQ(big->Size, FiveGiB);
  EXPECT_EQ(big->Day, 22);
}

TEST_F(LocalFolderTest, LongNamesAreNeverCut) {
  const std::string longName = std::string(220, 'n') + ".bin";
  Write(longName, "12");
  Write("short.bin", "1");
  EnterFolder();
  for (int longDir : {1, 0}) {
    config::Settings().LongDirectory = longDir;
    ListLocalDirectory();
    std::optional<ListingEntry> entry = LocalPane().EntryAt(1);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->Name(), longName) << "an entry whose name is cut names another file";
    EXPECT_EQ(entry->Text, longDir ? longName + "\t| " : longName);
    EXPECT_EQ(LocalPane().EntryAt(2)->Text, longDir ? LongText("short.bin", "1") : "short.bin");
  }
}

TEST_F(LocalFolderTest, ForceLowercaseShowsNamesInLowerCaseKeepingOtherBytes) {
  Write("README.TXT", "r");
  Write("Caf\xc9.BIN", "c");
  MakeDirectory("Upper");
  EnterFolder();
  config::Settings().ForceLowerCase = 1;
  config::Settings().LongDirectory = 0;
  ListLocalDirectory();
  EXPECT_THAT(PaneTexts(LocalPane()), ElementsAre("..", "upper", "caf\xc9.bin", "readme.txt"));
  EXPECT_EQ(LocalPane().EntryAt(3)->Kind, AsciiFileKind);
}

TEST_F(LocalFolderTest, DriveEntriesFollowTheDirectoriesAndSortLast) {
  Write("a.bin", "a");
  MakeDirectory("sub");
  EnterFolder();
  config::Settings().LongDirectory = 0;
  platform::SetAvailableDrivesOverride(std::vector<char>{'c', 'a'});
  ListLocalDirectory();
  EXPECT_THAT(PaneTexts(LocalPane()), ElementsAre("..", "sub", "a.bin", "[-a-]", "[-c-]"));
  EXPECT_EQ(LocalPane().EntryAt(3)->Kind, DriveKind);

  // Unsorted, the kinds still order the pane; drives keep the platform's order.
  config::Settings().LocalSort = NoSort;
  ListLocalDirectory();
  EXPECT_THAT(PaneTexts(LocalPane()), ElementsAre("..", "sub", "a.bin", "[-c-]", "[-a-]"));
}

TEST_F(LocalFolderTest, ExtensionListDecidesTheTextFiles) {
  ASSERT_TRUE(testing::WriteWholeFile(root.FilePath("KORVAL.EXT"), ".c\n.LOG\n"));
  Write("with space.c", "x");
  Write("notes.txt", "x");
  Write("run.log", "x");
  EnterFolder();
  config::Settings().LongDirectory = 0;
  ListLocalDirectory();
  std::vector<std::int32_t> kinds;
  LocalPane().ForEachEntry([&](std::size_t, const ListingEntry& entry) { kinds.push_back(entry.Kind); });
  EXPECT_THAT(PaneTexts(LocalPane()), ElementsAre("..", "notes.txt", "run.log", "with space.c"));
  EXPECT_THAT(kinds, ElementsAre(DirectoryKind, FileKind, AsciiFileKind, AsciiFileKind));
}

TEST_F(LocalFolderTest, UnreadableDirectoryShowsOnlyTheParentEntry) {
  FillFolder();
  const std::string locked = (folder / "locked").string();
  fs::permissions(folder / "locked", fs::perms::owner_write | fs::perms::owner_exec);
  // Root reads every directory: the listing runs as an ordinary user, in a
  // child that entered the folder first.
  int result = RunInChild([&] {
    if (::chdir(locked.c_str()) != 0) return 2;
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
    if (platform::ReadDirectory(".").has_value()) return 4;  // the folder must really be unreadable
    ListLocalDirectory();
    if (PaneTexts(LocalPane()) != std::vector<std::string>{".."}) return 5;
    if (LocalDirectoryBox().Text() != locked) return 6;
    return 0;
  });
  EXPECT_EQ(result, 0);
}

TEST_F(LocalFolderTest, RemovedCurrentDirectoryShowsOnlyTheParentEntry) {
  Write("a.bin", "a");
  EnterFolder();
  ListLocalDirectory();
  ASSERT_EQ(LocalPane().Count(), 2u);
  ASSERT_TRUE(root.CreateDirectory("doomed"));
  ASSERT_EQ(::chdir(root.FilePath("doomed").c_str()), 0);
  ASSERT_EQ(::rmdir(root.FilePath("doomed").c_str()), 0);
  ListLocalDirectory();
  EXPECT_THAT(PaneTexts(LocalPane()), ElementsAre(".."));
  EXPECT_EQ(LocalDirectoryBox().Text(), "");
  EXPECT_EQ(LocalDirectoryBox().Selected(), std::nullopt);
  EXPECT_THAT(LocalDirectoryBox().Items(), ElementsAre(folder.string())) << "the list keeps the folders shown";
}

TEST_F(LocalFolderTest, DirectoryBoxListsEachFolderOnceAndSelectsTheCurrentOne) {
  MakeDirectory("b");
  MakeDirectory("A");
  const std::string first = folder.string();
  const std::string second = (folder / "b").string();
  const std::string third = (folder / "A").string();
  for (const std::string& directory : {first, second, first, third, second}) {
    ASSERT_EQ(::chdir(directory.c_str()), 0);
    ListLocalDirectory();
  }
  EXPECT_THAT(LocalDirectoryBox().Items(), ElementsAre(first, third, second)) << "sorted, letter case ignored";
  EXPECT_EQ(LocalDirectoryBox().Selected(), std::optional<std::size_t>(2));
  EXPECT_EQ(LocalDirectoryBox().Text(), second);
}

// --- the DirInfo report ---

TEST_F(LocalFolderTest, ReportListsEveryNameWithTheDirectoryAndFileLineFormats) {
  Write("notes.txt", std::string(1803, 'n'));
  Write("100%.txt", "%s");
  Write("a name that is longer than thirty characters.txt", "long");
  Write(NonUtf8Name, "latin");
  ASSERT_NO_FATAL_FAILURE(WriteSparse("big.iso", FiveGiB));
  MakeDirectory("sub");
  SetModifiedTime(folder, FixedLocalTime());
  SetModifiedTime(root.Path(), FixedLocalTime());
  EnterFolder();
  SetLocalMask("*.none");  // the report ignores the mask

  const std::string report = root.FilePath("tmp/report.txt").string();  // leaves ".." as it was
  ASSERT_EQ(WriteLocalDirReport(report), 1);
  std::optional<std::string> text = testing::ReadWholeFile(report);
  ASSERT_TRUE(text.has_value());
  const std::string expected = " Directory of " + folder.string() + "\n\n" + DirLine(".") + DirLine("..") +
                               FileLine("100%.txt", "2") + FileLine("a name that is longer than thi", "4") +
                               FileLine("big.iso", "5368709120") + FileLine(NonUtf8Name, "5") +
                               FileLine("notes.txt", "1803") + DirLine("sub");
  EXPECT_EQ(*text, expected);

  EXPECT_EQ(WriteLocalDirReport(root.FilePath("missing/report.txt").string()), 0);
}

TEST_F(LocalFolderTest, DirInfoReportGoesIntoANewViewFileAndShutdownRemovesOnlyIt) {
  Write("a.bin", "a");
  EnterFolder();
  const std::string report = CreateLocalDirReport();
  ASSERT_FALSE(report.empty());
  EXPECT_EQ(fs::path(report).parent_path(), root.FilePath("tmp"));
  EXPECT_EQ(fs::path(report).filename().string().substr(0, 3), "DSP");
  std::optional<std::string> text = testing::ReadWholeFile(report);
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find("\n" + FileLine("a.bin", "1").substr(0, 42)), std::string::npos) << *text;

  ASSERT_TRUE(testing::WriteWholeFile(root.FilePath("tmp/EDT12AB.TMP"), "edited"));
  ASSERT_TRUE(testing::WriteWholeFile(root.FilePath("tmp/DSP0001.txt"), "viewed"));
  ASSERT_TRUE(testing::WriteWholeFile(root.FilePath("tmp/DIR0001.TMP"), "listing"));
  ASSERT_TRUE(testing::WriteWholeFile(root.FilePath("tmp/notes.txt"), "mine"));
  RemoveTempFiles();
  // Only this run's report goes: the view and edit files of another run or
  // program stay.
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(root.FilePath("tmp"))) left.insert(entry.path().filename());
  EXPECT_EQ(left, (std::set<std::string>{"DIR0001.TMP", "DSP0001.txt", "EDT12AB.TMP", "notes.txt"}));

  // No temporary directory to write in: no report.
  platform::SetTemporaryDirectoryOverride(root.FilePath("missing").string());
  EXPECT_EQ(CreateLocalDirReport(), "");
}

}  // namespace
}  // namespace korval::listing
