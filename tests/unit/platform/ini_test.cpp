#include "platform/ini.h"

#include <gtest/gtest.h>

#include <ostream>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace korval::platform {
namespace {

namespace fs = std::filesystem;

class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "korval-ini-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, ignored);
    fs::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream content;
  content << stream.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream << content;
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
  return names;
}

// Runs `body` in a child process and returns its exit status, so that limits
// and identities changed for a test never leak into the test program.
int RunInChild(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

struct ReadCase {
  const char* Name;
  std::string Content;
  std::string Section;
  std::string Key;
  std::string Default;
  std::size_t Capacity;
  std::string Expected;
};
void PrintTo(const ReadCase& test, std::ostream* out) { *out << test.Name; }

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsValue) {
  const ReadCase& test = GetParam();
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  WriteFile(path, test.Content);
  EXPECT_EQ(ReadIniString(path, test.Section, test.Key, test.Default, test.Capacity), test.Expected);
}

const std::string LongValue(100000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTest,
    ::testing::Values(
        ReadCase{"Plain", "[a]\nK=v\n", "a", "K", "d", 79, "v"},
        ReadCase{"NamesIgnoreCase", "[Session One]\nHost=h\n", "SESSION ONE", "HOST", "d", 79, "h"},
        ReadCase{"MissingKey", "[a]\nK=v\n", "a", "L", "dflt", 79, "dflt"},
        ReadCase{"MissingSection", "[a]\nK=v\n", "b", "K", "dflt", 79, "dflt"},
        ReadCase{"EmptyValueIsNotMissing", "[a]\nK=\n", "a", "K", "dflt", 79, ""},
        ReadCase{"CrLfLineEnds", "[a]\r\nK=v\r\nL=w\r\n", "a", "L", "d", 79, "w"},
        ReadCase{"NoFinalNewline", "[a]\nK=last", "a", "K", "d", 79, "last"},
        ReadCase{"CommentIsNoKey", "; top\n\n[a]\n;K=commented\n  ; K=indented\nK=real\n", "a", "K", "d", 79, "real"},
        ReadCase{"KeysBeforeFirstSectionBelongToNone", "K=early\n[a]\nL=1\n", "a", "K", "d", 79, "d"},
        ReadCase{"BlanksAroundNameAndValue", "[a]\n  K  =  two words \t\n", "a", "k", "d", 79, "two words"},
        ReadCase{"ValueKeepsEqualsSigns", "[a]\nK=x=y\n", "a", "K", "d", 79, "x=y"},
        ReadCase{"FirstKeyWins", "[a]\nK=1\nK=2\n", "a", "K", "d", 79, "1"},
        ReadCase{"FirstSectionWins", "[a]\nX=1\n[b]\nK=b\n[A]\nK=second\n", "a", "K", "d", 79, "d"},
        ReadCase{"TextAfterBracketIgnored", "[a] ; note\nK=v\n", "a", "K", "d", 79, "v"},
        ReadCase{"ValueCutAtCapacity", "[a]\nK=abcdef\n", "a", "K", "d", 3, "abc"},
        ReadCase{"DefaultCutAtCapacity", "", "a", "K", "defaults", 4, "defa"},
        ReadCase{"EightBitText", "[caf\xe9]\nK=\xff\xfe\x80\n", "CAF\xe9", "K", "d", 79, "\xff\xfe\x80"},
        // append, not "text" + string: GCC 12 warns wrongly (-Wrestrict) about that at -O3.
        ReadCase{"HugeLineThenKey", std::string("[a]\nLONG=").append(LongValue).append("\nK=after\n"), "a", "K", "d",
                 79, "after"},
        ReadCase{"HugeValueCut", std::string("[a]\nLONG=").append(LongValue).append("\n"), "a", "LONG", "d", 10,
                 "xxxxxxxxxx"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.Name); });

TEST(IniRead, MissingOrUnreadableFileGivesDefaults) {
  TemporaryDirectory directory;
  EXPECT_EQ(ReadIniString(directory.File("none.ini"), "a", "K", "dflt", 79), "dflt");
  EXPECT_EQ(ReadIniNumber(directory.File("none.ini"), "a", "K", 7), 7);
  // A directory where the file should be reads as an empty file.
  EXPECT_EQ(ReadIniString(directory.Path(), "a", "K", "dflt", 79), "dflt");
}

struct NumberCase {
  const char* Text;
  std::int32_t Expected;
};
void PrintTo(const NumberCase& test, std::ostream* out) { *out << test.Text; }

class IniNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(IniNumberTest, LeadingDigits) { EXPECT_EQ(ParseIniNumber(GetParam().Text), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(Cases, IniNumberTest,
                         ::testing::Values(NumberCase{"20", 20}, NumberCase{"76", 76}, NumberCase{"12abc", 12},
                                           NumberCase{"abc", 0}, NumberCase{"", 0}, NumberCase{" 7", 7},
                                           NumberCase{"-11", -11}, NumberCase{"+5", 5}, NumberCase{"0x10", 0},
                                           // What "%u" makes of -11 reads back as -11.
                                           NumberCase{"4294967285", -11},
                                           NumberCase{"99999999999999999999", 1661992959}));

TEST(IniRead, NumberDefaultsForMissingAndEmptyValues) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  WriteFile(path, "[a]\r\nEMPTY=\r\nWORD=yes\r\nRBP=20\r\n");
  EXPECT_EQ(ReadIniNumber(path, "a", "MISSING", 4096), 4096);
  EXPECT_EQ(ReadIniNumber(path, "a", "EMPTY", 4096), 4096);
  EXPECT_EQ(ReadIniNumber(path, "a", "WORD", 4096), 0);
  EXPECT_EQ(ReadIniNumber(path, "A", "rbp", 4096), 20);
}

enum class Operation { Write, DeleteKey, DeleteSection };

struct WriteCase {
  const char* Name;
  std::string Before;
  Operation Kind;
  std::string Section;
  std::string Key;
  std::string Value;
  std::string After;
};
void PrintTo(const WriteCase& test, std::ostream* out) { *out << test.Name; }

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, KeepsEveryOtherLine) {
  const WriteCase& test = GetParam();
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  if (!test.Before.empty()) WriteFile(path, test.Before);
  bool written = false;
  switch (test.Kind) {
    case Operation::Write: written = WriteIniString(path, test.Section, test.Key, test.Value); break;
    case Operation::DeleteKey: written = DeleteIniKey(path, test.Section, test.Key); break;
    case Operation::DeleteSection: written = DeleteIniSection(path, test.Section); break;
  }
  EXPECT_TRUE(written);
  EXPECT_EQ(ReadFile(path), test.After);
  EXPECT_EQ(DirectoryEntries(directory.Path()).size(), test.After.empty() && test.Before.empty() ? 0u : 1u)
      << "no temporary file is left behind";
}

const std::string WindowsFile =
    "; written on another system\r\n"
    "[_config_]\r\n"
    "MAILADDR=me@example.org\r\n"
    "VERBOSE=0\r\n"
    "\r\n"
    "[Work Server]\r\n"
    "HOST=ftp.example.org\r\n"
    "PWD=616365\r\n"
    "\r\n"
    "[FIREWALL]\r\n"
    "FIRETYPE=1\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteTest,
    ::testing::Values(
        WriteCase{"ReplaceInCrLfFile", WindowsFile, Operation::Write, "_CONFIG_", "verbose", "1",
                  "; written on another system\r\n[_config_]\r\nMAILADDR=me@example.org\r\nVERBOSE=1\r\n\r\n"
                  "[Work Server]\r\nHOST=ftp.example.org\r\nPWD=616365\r\n\r\n[FIREWALL]\r\nFIRETYPE=1\r\n"},
        WriteCase{"AddKeyAfterLastKeyOfSection", WindowsFile, Operation::Write, "work server", "PORT", "2121",
                  "; written on another system\r\n[_config_]\r\nMAILADDR=me@example.org\r\nVERBOSE=0\r\n\r\n"
                  "[Work Server]\r\nHOST=ftp.example.org\r\nPWD=616365\r\nPORT=2121\r\n\r\n[FIREWALL]\r\nFIRETYPE=1\r\n"},
        WriteCase{"NewSectionAppendedInFileLineEnds", WindowsFile, Operation::Write, "New", "HOST", "h",
                  WindowsFile + "\r\n[New]\r\nHOST=h\r\n"},
        WriteCase{"NewKeyBeforeCommentOfNextSection", "[a]\nX=1\n\n; the b profile\n[b]\nY=1\n", Operation::Write,
                  "a", "Z", "2", "[a]\nX=1\nZ=2\n\n; the b profile\n[b]\nY=1\n"},
        WriteCase{"KeyIntoEmptySection", "[a]\n[b]\n", Operation::Write, "a", "K", "v", "[a]\nK=v\n[b]\n"},
        WriteCase{"MissingFinalNewline", "[a]\nX=1", Operation::Write, "a", "Y", "2", "[a]\nX=1\nY=2\n"},
        WriteCase{"MissingFinalNewlineNewSection", "[a]\r\nX=1", Operation::Write, "b", "Y", "2",
                  "[a]\r\nX=1\r\n\r\n[b]\r\nY=2\r\n"},
        WriteCase{"NewFile", "", Operation::Write, "_config_", "SESSION", "Work", "[_config_]\nSESSION=Work\n"},
        WriteCase{"StoredKeySpellingKept", "[A]\nkey = 1\n", Operation::Write, "a", "KEY", "2", "[A]\nkey=2\n"},
        WriteCase{"EmptyValueIsWritten", "[a]\nK=v\n", Operation::Write, "a", "K", "", "[a]\nK=\n"},
        WriteCase{"KeysBeforeSectionsUntouched", "K=early\n[a]\nK=1\n", Operation::Write, "a", "K", "2",
                  "K=early\n[a]\nK=2\n"},
        WriteCase{"EightBitBytesKept", "[caf\xe9]\nN=\xe9t\xe9\n", Operation::Write, "CAF\xe9", "M", "\xff",
                  "[caf\xe9]\nN=\xe9t\xe9\nM=\xff\n"},
        WriteCase{"DeleteKeyAllOccurrences", "[a]\nX=1\nK=v\nY=2\nk=w\n", Operation::DeleteKey, "A", "K", "",
                  "[a]\nX=1\nY=2\n"},
        WriteCase{"DeleteKeyOtherSectionUntouched", "[a]\nK=1\n[b]\nK=2\n", Operation::DeleteKey, "b", "K", "",
                  "[a]\nK=1\n[b]\n"},
        WriteCase{"DeleteSectionKeepsNeighbours", "[a]\nX=1\n\n[b]\nK=1\n; note\n\n[c]\nZ=1\n",
                  Operation::DeleteSection, "B", "", "", "[a]\nX=1\n\n[c]\nZ=1\n"},
        WriteCase{"DeleteSectionEveryCopy", "[b]\nK=1\n[a]\nX=1\n[B]\nK=2\n", Operation::DeleteSection, "b", "", "",
                  "[a]\nX=1\n"},
        WriteCase{"DeleteMissingKeyChangesNothing", WindowsFile, Operation::DeleteKey, "FIREWALL", "HOST", "",
                  WindowsFile}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.Name); });

TEST(IniWrite, WhatIsWrittenReadsBack) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  ASSERT_TRUE(WriteIniString(path, "Profile", "DIR", "/pub/some dir"));
  ASSERT_TRUE(WriteIniString(path, "Profile", "TIMEOUT", "4294967285"));
  EXPECT_EQ(ReadIniString(path, "PROFILE", "dir", "", 143), "/pub/some dir");
  EXPECT_EQ(ReadIniNumber(path, "profile", "timeout", 65), -11);
  ASSERT_TRUE(DeleteIniKey(path, "Profile", "DIR"));
  EXPECT_EQ(ReadIniString(path, "Profile", "DIR", "gone", 143), "gone");
  ASSERT_TRUE(DeleteIniSection(path, "PROFILE"));
  EXPECT_EQ(ReadIniNumber(path, "Profile", "TIMEOUT", 65), 65);
}

TEST(IniWrite, DeletingFromMissingFileCreatesNothing) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  EXPECT_TRUE(DeleteIniKey(path, "a", "K"));
  EXPECT_TRUE(DeleteIniSection(path, "a"));
  EXPECT_FALSE(fs::exists(path));
}

TEST(IniWrite, UnusableNamesAndValuesAreRefused) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  WriteFile(path, "[a]\nK=v\n");
  EXPECT_FALSE(WriteIniString(path, "", "K", "v"));
  EXPECT_FALSE(WriteIniString(path, "x]y", "K", "v"));
  EXPECT_FALSE(WriteIniString(path, "two\nlines", "K", "v"));
  EXPECT_FALSE(WriteIniString(path, "a", "K=L", "v"));
  EXPECT_FALSE(WriteIniString(path, "a", ";K", "v"));
  EXPECT_FALSE(WriteIniString(path, "a", "", "v"));
  EXPECT_FALSE(WriteIniString(path, "a", "K", "v\r\n[evil]"));
  EXPECT_EQ(ReadFile(path), "[a]\nK=v\n");
}

TEST(IniWrite, NewFileIsPrivateExistingFileKeepsItsMode) {
  TemporaryDirectory directory;
  mode_t previousMask = ::umask(022);
  std::string created = directory.File("KORVAL.INI");
  ASSERT_TRUE(WriteIniString(created, "a", "PWD", "616365"));
  struct stat status {};
  ASSERT_EQ(::stat(created.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);

  std::string shared = directory.File("shared.ini");
  WriteFile(shared, "[a]\nK=1\n");
  ::chmod(shared.c_str(), 0640);
  ASSERT_TRUE(WriteIniString(shared, "a", "K", "2"));
  ASSERT_EQ(::stat(shared.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  ::umask(previousMask);
}

TEST(IniWrite, LinkStaysLinkAndTargetChanges) {
  TemporaryDirectory directory;
  std::string target = directory.File("real.ini");
  std::string link = directory.File("KORVAL.INI");
  WriteFile(target, "[a]\r\nK=1\r\n");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(WriteIniString(link, "a", "K", "2"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "[a]\r\nK=2\r\n");
}

TEST(IniWrite, ReadOnlyDirectoryLeavesOldFileIntact) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  WriteFile(path, WindowsFile);
  // The file itself is writable; only a temporary file cannot be made beside it.
  ::chmod(path.c_str(), 0666);
  ::chmod(directory.Path().c_str(), 0555);
  int result = RunInChild([&] {
    // Root writes anywhere: the write is tried as an ordinary user.
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
    return WriteIniString(path, "_config_", "VERBOSE", "1") ? 1 : 0;
  });
  ::chmod(directory.Path().c_str(), 0755);
  EXPECT_EQ(result, 0) << "the write must report failure";
  EXPECT_EQ(ReadFile(path), WindowsFile);
  EXPECT_EQ(DirectoryEntries(directory.Path()), std::vector<std::string>{"KORVAL.INI"});
}

TEST(IniWrite, FullDiskLeavesOldFileIntact) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  WriteFile(path, WindowsFile);
  int result = RunInChild([&] {
    // A file-size limit fails the write the way a full disk does, even for root.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64, 64};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    return WriteIniString(path, "Work Server", "COMMENT", std::string(200, 'c')) ? 1 : 0;
  });
  EXPECT_EQ(result, 0) << "the write must report failure";
  EXPECT_EQ(ReadFile(path), WindowsFile);
  EXPECT_EQ(DirectoryEntries(directory.Path()), std::vector<std::string>{"KORVAL.INI"});
}

TEST(IniWrite, UnreadableFileIsNeverOverwritten) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  WriteFile(path, WindowsFile);
  ::chmod(path.c_str(), 0222);  // writable, not readable
  ::chmod(directory.Path().c_str(), 0755);
  int result = RunInChild([&] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
    return WriteIniString(path, "_config_", "VERBOSE", "1") ? 1 : 0;
  });
  ::chmod(path.c_str(), 0600);
  ::chmod(directory.Path().c_str(), 0700);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFile(path), WindowsFile);
}

TEST(IniEdit, ChangesLandTogetherAndReadsSeeThem) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  WriteFile(path, "[p]\nHOST=old\nREGETRFILE=f\n");
  {
    IniEdit edit(path);
    std::string keep = edit.ReadString("p", "REGETRFILE", "", 255);
    edit.DeleteSection("p");
    EXPECT_EQ(edit.ReadString("p", "HOST", "none", 79), "none");
    edit.WriteString("p", "HOST", "new");
    edit.WriteString("p", "REGETRFILE", keep);
    EXPECT_EQ(ReadFile(path), "[p]\nHOST=old\nREGETRFILE=f\n") << "nothing written before Commit";
    EXPECT_TRUE(edit.Commit());
  }
  EXPECT_EQ(ReadFile(path), "[p]\nHOST=new\nREGETRFILE=f\n");
}

TEST(IniEdit, ConcurrentWritersLoseNoUpdate) {
  TemporaryDirectory directory;
  std::string path = directory.File("KORVAL.INI");
  constexpr int Writers = 3;
  constexpr int KeysEach = 25;
  // append, not "text" + string: GCC 12 warns wrongly (-Wrestrict) about that at -O3.
  auto section = [](int key) { return std::string("s").append(std::to_string(key % 3)); };
  auto keyName = [](int writer, int key) {
    return std::string("K").append(std::to_string(writer)).append("_").append(std::to_string(key));
  };
  std::vector<pid_t> children;
  for (int writer = 0; writer < Writers; ++writer) {
    pid_t child = ::fork();
    if (child == 0) {
      for (int key = 0; key < KeysEach; ++key)
        WriteIniString(path, section(key), keyName(writer, key), std::to_string(key));
      ::_exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) ::waitpid(child, nullptr, 0);
  for (int writer = 0; writer < Writers; ++writer)
    for (int key = 0; key < KeysEach; ++key)
      EXPECT_EQ(ReadIniNumber(path, section(key), keyName(writer, key), -1), key);
}

}  // namespace
}  // namespace korval::platform
