// Received names fitted to the volume, made unique, and extensions converted
// in both directions; text files told by their extension.

#include "engine/destination_naming.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/ascii_names.h"
#include "config/config_file.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/session.h"
#include "engine_test_support.h"

namespace korval::engine {
namespace {

namespace fs = std::filesystem;

// Runs each test in an empty current directory with its own list files.
class NamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("korval-naming-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
    config::ResetProgramSettings();
    config::ProgramFiles().ConversionsPath = (dir_ / "KORVAL.CNV").string();
    config::ProgramFiles().ExtensionsPath = (dir_ / "KORVAL.EXT").string();
    SetNameLengthQuery([] { return 255L; });
  }
  void TearDown() override {
    SetNameLengthQuery({});
    config::ResetProgramSettings();
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  void Write(const std::string& name, const std::string& content) { std::ofstream(dir_ / name) << content; }
  void ShortNames() { SetNameLengthQuery([] { return 12L; }); }

  testing::EngineStateGuard state_;
  fs::path previous_, dir_;
};

struct NameCase {
  const char* remote;
  const char* local;
};

TEST_F(NamingTest, ShortNameVolume) {
  ShortNames();
  const NameCase cases[] = {
      {"report.final.text", "report.fin"},
      {"DATA.LIS;3", "DATA.LIS"},
      {"...", "aaremote"},
      {"", "aaremote"},
      {"longbasename.txt", "longbase.txt"},
      {"/pub/dir/file.c", "file.c"},
      {"dir\\sub\\readme", "readme"},
      {"a:b.txt", "a_b.txt"},
      {".profile", "profile"},
      {"two words", "two.wor"},
      {"USER.CNTL(MEMBER)", "USER.CNT"},
  };
  for (const NameCase& c : cases) EXPECT_EQ(LocalNameFor(c.remote), c.local) << c.remote;
}

TEST_F(NamingTest, LongNameVolumeKeepsTheLastPathPart) {
  const NameCase cases[] = {
      {"report.final.text", "report.final.text"},
      {"/pub/dir/Mixed Case.TXT", "Mixed Case.TXT"},
      {"vms\\DATA.LIS;3", "DATA.LIS;3"},
  };
  for (const NameCase& c : cases) EXPECT_EQ(LocalNameFor(c.remote), c.local) << c.remote;
  // A name the file system takes stays whole, up to its 255 bytes; only a
  // longer one takes the short form.
  const std::string longest = std::string(251, 'x') + ".dat";
  EXPECT_EQ(LocalNameFor(std::string(160, 'x') + ".dat"), std::string(160, 'x') + ".dat");
  EXPECT_EQ(LocalNameFor(longest), longest);
  EXPECT_EQ(LocalNameFor("/pub/" + longest), longest);
  EXPECT_EQ(LocalNameFor("x" + longest), "xxxxxxxx.dat");
}

// A name from a server's listing that mixes both separators never leads out
// of the directory it is received into (nor to an absolute path).
TEST_F(NamingTest, MixedSeparatorsNeverLeaveTheDirectory) {
  const NameCase longCases[] = {
      {"a\\../../etc/passwd", "passwd"},
      {"dir\\sub/x.txt", "x.txt"},
      {"C:\\dir/", "aaremote"},
  };
  for (const NameCase& c : longCases) EXPECT_EQ(LocalNameFor(c.remote), c.local) << c.remote;
  ShortNames();
  const NameCase shortCases[] = {
      {"a\\../x.txt", "x.txt"},
      {"a\\..//tmp/evil.sh", "evil.sh"},
  };
  for (const NameCase& c : shortCases) EXPECT_EQ(LocalNameFor(c.remote), c.local) << c.remote;
}

TEST_F(NamingTest, SpartacusBlanksAreCollapsedFirst) {
  ShortNames();
  TheSession().HostType = 6029;
  EXPECT_EQ(LocalNameFor("  MY   FILE  "), "MY.FIL");
}

TEST_F(NamingTest, ReceiveUniqueCandidates) {
  config::Settings().ReceiveUnique = 1;
  ShortNames();
  Write("A.TXT", "");
  Write("A000.TXT", "");
  EXPECT_EQ(LocalNameFor("A.TXT"), "A001.TXT");
  Write("longbase.txt", "");
  EXPECT_EQ(LocalNameFor("longbasename.txt"), "longb000.txt");
  Write("NOEXT", "");
  EXPECT_EQ(LocalNameFor("NOEXT"), "NOEXT.000");

  SetNameLengthQuery([] { return 255L; });
  Write("a.txt", "");
  Write("a.txt.000", "");
  EXPECT_EQ(LocalNameFor("a.txt"), "a.txt.001");
  EXPECT_EQ(LocalNameFor("fresh.txt"), "fresh.txt");
}

TEST_F(NamingTest, ReceiveUniqueGivesUpAfterNinetyNineCandidates) {
  config::Settings().ReceiveUnique = 1;
  Write("b", "");
  for (int i = 0; i < 99; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "b.%03d", i);
    Write(name, "");
  }
  EXPECT_EQ(LocalNameFor("b"), "b.098");
}

TEST_F(NamingTest, ConversionRulesBothWays) {
  testing::LogRecorder log;
  config::Settings().Verbose = 1;
  config::Settings().ConvertExtensions = 1;
  Write("KORVAL.CNV", "X=ignored\r\nTXT=DOC\r\nfinal=finished\nc=h\n");

  std::string sent = "notes.txt";
  EXPECT_TRUE(ConvertExtension(sent, ConversionDirection::Send));
  EXPECT_EQ(sent, "notes.DOC");
  EXPECT_TRUE(log.Contains("[I] Converted extension from txt to DOC"));

  EXPECT_EQ(LocalNameFor("notes.txt"), "notes.DOC");
  ShortNames();
  EXPECT_EQ(LocalNameFor("report.final.text"), "report.finished");  // a converted extension is used whole

  std::string single = "main.c";
  EXPECT_FALSE(ConvertExtension(single, ConversionDirection::Send));  // one-character rules are ignored
  EXPECT_EQ(single, "main.c");

  std::string versioned = "DATA.LIS;3";
  EXPECT_FALSE(ConvertExtension(versioned, ConversionDirection::Send));
  EXPECT_EQ(versioned, "DATA.LIS;3");
  EXPECT_FALSE(ConvertExtension(versioned, ConversionDirection::Receive));
  EXPECT_EQ(versioned, "DATA.LIS");
}

TEST_F(NamingTest, LowerCaseOnlyOnSend) {
  config::Settings().ForceLowerCase = 1;
  std::string name = "README.TXT";
  EXPECT_FALSE(ConvertExtension(name, ConversionDirection::Send));
  EXPECT_EQ(name, "readme.txt");
  EXPECT_EQ(LocalNameFor("README.TXT"), "README.TXT");
}

TEST_F(NamingTest, ConversionOffOrWithoutTableChangesNothing) {
  std::string name = "notes.txt";
  Write("KORVAL.CNV", "TXT=DOC\n");
  EXPECT_FALSE(ConvertExtension(name, ConversionDirection::Receive));
  config::Settings().ConvertExtensions = 1;
  fs::remove(dir_ / "KORVAL.CNV");
  EXPECT_FALSE(ConvertExtension(name, ConversionDirection::Receive));
  EXPECT_EQ(name, "notes.txt");
}

TEST_F(NamingTest, RestartRecordIsClearedOnlyWhenItNamesAFile) {
  config::ProgramFiles().ConfigPath = (dir_ / "KORVAL.INI").string();
  Write("KORVAL.INI",
        "[work]\r\nHOST=ftp.example.com\r\nREGETRDIR=/pub\r\nREGETRFILE=big.iso\r\nREGETLDIR=/tmp\r\n"
        "REGETLFILE=big.iso\r\nREGETTIME=123\r\n[idle]\r\nREGETRFILE=\r\nREGETRDIR=/kept\r\n");
  ClearRestartRecord("work");
  ClearRestartRecord("idle");
  for (const char* key : {"REGETRDIR", "REGETRFILE", "REGETLDIR", "REGETLFILE", "REGETTIME"})
    EXPECT_EQ(config::ReadSectionString("work", key, "absent", 256), "absent") << key;
  EXPECT_EQ(config::ReadSectionString("work", "HOST", "", 79), "ftp.example.com");
  EXPECT_EQ(config::ReadSectionString("idle", "REGETRDIR", "", 256), "/kept");
}

TEST_F(NamingTest, AsciiNamesByList) {
  const std::pair<const char*, bool> withoutList[] = {
      {"notes.txt", true}, {"NOTES.TXT", true}, {"a.TxT;3", true}, {".txt", false}, {"notes.txt.gz", false},
      {"image.png", false}};
  for (auto [name, ascii] : withoutList) EXPECT_EQ(config::IsAsciiName(name), ascii) << name;

  Write("KORVAL.EXT", ".C\r\n.HTML\nX\n\n.TXT\n");
  const std::pair<const char*, bool> withList[] = {
      {"main.c", true}, {"INDEX.html", true}, {"README.TXT;12", true}, {"box", false}, {"a.x", false},
      {"notes.md", false}};
  for (auto [name, ascii] : withList) EXPECT_EQ(config::IsAsciiName(name), ascii) << name;
}

}  // namespace
}  // namespace korval::engine
