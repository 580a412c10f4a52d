#include "config/program_files.h"

#include <sys/stat.h>

#include "config/config_file.h"
#include "config_fixture.h"

namespace korval::config {
namespace {

using testing::ConfigTest;

class LocateTest : public ConfigTest {};

TEST_F(LocateTest, SearchOrder) {
  struct Case {
    const char* Name;
    bool InWorkingDirectory;
    bool BesideProgram;
    const char* ExpectedPlace;  // "cwd", "bin" or "config"
  };
  const Case cases[] = {
      {"working directory wins over program directory", true, true, "cwd"},
      {"working directory alone", true, false, "cwd"},
      {"program directory next", false, true, "bin"},
      {"nowhere: configuration directory, untested", false, false, "config"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Name);
    std::filesystem::remove(WorkingDirectory() + "/KORVAL.EXT");
    std::filesystem::remove(Root() + "/bin/KORVAL.EXT");
    if (test.InWorkingDirectory) WriteFile(WorkingDirectory() + "/KORVAL.EXT", ".TXT\n");
    if (test.BesideProgram) WriteFile(Root() + "/bin/KORVAL.EXT", ".TXT\n");
    std::string expected = std::string(test.ExpectedPlace) == "cwd"   ? WorkingDirectory() + "/KORVAL.EXT"
                           : std::string(test.ExpectedPlace) == "bin" ? Root() + "/bin/KORVAL.EXT"
                                                                      : ConfigDirectory() + "/KORVAL.EXT";
    EXPECT_EQ(LocateProgramFile("KORVAL.EXT"), expected);
  }
  EXPECT_FALSE(std::filesystem::exists(ConfigDirectory())) << "locating creates nothing";
}

TEST_F(LocateTest, DirectoryEndingInSlashGetsNoSecondSlash) {
  SetSearchLocations(SearchLocations{WorkingDirectory() + "/", ProgramPath(), ConfigDirectory() + "/"});
  WriteFile(WorkingDirectory() + "/KORVAL.INI", "");
  EXPECT_EQ(LocateProgramFile("KORVAL.INI"), WorkingDirectory() + "/KORVAL.INI");
  EXPECT_EQ(LocateProgramFile("KORVAL.CNV"), ConfigDirectory() + "/KORVAL.CNV");
  SetSearchLocations(SearchLocations{"/", ProgramPath(), ConfigDirectory()});
  EXPECT_EQ(LocateProgramFile("KORVAL.CNV"), ConfigDirectory() + "/KORVAL.CNV");
}

TEST_F(LocateTest, UnknownLocationsFallBackToBareName) {
  SetSearchLocations(SearchLocations{"", "", ""});
  EXPECT_EQ(LocateProgramFile("KORVAL.INI"), "KORVAL.INI");
  // A program path without a directory tries the bare name.
  SetSearchLocations(SearchLocations{"", "korval", ConfigDirectory()});
  EXPECT_EQ(LocateProgramFile("KORVAL.INI"), ConfigDirectory() + "/KORVAL.INI");
}

TEST_F(LocateTest, DirectoryOfTheSameNameIsNoFile) {
  std::filesystem::create_directories(WorkingDirectory() + "/KORVAL.INI");
  EXPECT_EQ(LocateProgramFile("KORVAL.INI"), ConfigDirectory() + "/KORVAL.INI");
}

TEST_F(LocateTest, ProgramFilesLocatedAndSettingsLoaded) {
  WriteFile(Root() + "/bin/KORVAL.INI", "[_config_]\r\nVERBOSE=1\r\nRBP=2048\r\n");
  WriteFile(WorkingDirectory() + "/KORVAL.CNV", "TXT=DOC\n");
  std::optional<std::string> rest = LocateProgramFiles("host:/pub/file local:/tmp/file");
  EXPECT_EQ(rest, "host:/pub/file local:/tmp/file");
  EXPECT_EQ(ProgramFiles().ConfigPath, Root() + "/bin/KORVAL.INI");
  EXPECT_EQ(ProgramFiles().HelpPath, ConfigDirectory() + "/KORVAL.HLP");
  EXPECT_EQ(ProgramFiles().ExtensionsPath, ConfigDirectory() + "/KORVAL.EXT");
  EXPECT_EQ(ProgramFiles().ConversionsPath, WorkingDirectory() + "/KORVAL.CNV");
  EXPECT_EQ(Settings().Verbose, 1);
  EXPECT_EQ(Settings().ReceiveBlockSize, 2048);
}

TEST_F(LocateTest, FirstRunCreatesFileInConfigurationDirectory) {
  SetSearchLocations(SearchLocations{WorkingDirectory(), ProgramPath(), Root() + "/home/.config/korval"});
  LocateProgramFiles("");
  ASSERT_EQ(ProgramFiles().ConfigPath, Root() + "/home/.config/korval/KORVAL.INI");
  EXPECT_EQ(Settings().LongDirectory, 1) << "every setting takes its default";
  EXPECT_FALSE(std::filesystem::exists(Root() + "/home")) << "reading creates nothing";

  WriteConfigString("SESSION", "Work");
  EXPECT_EQ(ReadFile(ProgramFiles().ConfigPath), "[_config_]\nSESSION=Work\n");
  struct stat status {};
  ASSERT_EQ(::stat((Root() + "/home/.config/korval").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(ProgramFiles().ConfigPath.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(LocateTest, ConfigurationDirectoryFromEnvironment) {
  SetSearchLocations(std::nullopt);
  const char* savedHome = std::getenv("HOME");
  std::string home = savedHome ? savedHome : "";
  struct Case {
    const char* ConfigHome;  // nullptr: unset
    std::string Home;
    std::string Expected;
  };
  const Case cases[] = {
      {"/xdg/place", "/home/u", "/xdg/place/korval"},
      {nullptr, Root() + "/home", Root() + "/home/.config/korval"},
      {"", Root() + "/home/", Root() + "/home/.config/korval"},
      {"relative/ignored", Root() + "/home", Root() + "/home/.config/korval"},
  };
  for (const Case& test : cases) {
    if (test.ConfigHome)
      ::setenv("XDG_CONFIG_HOME", test.ConfigHome, 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", test.Home.c_str(), 1);
    EXPECT_EQ(config::ConfigDirectory(), test.Expected);
  }
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (Root() + "/xdg").c_str(), 1);
  EXPECT_FALSE(CurrentSearchLocations().ProgramPath.empty()) << "the running executable is known";
}

}  // namespace
}  // namespace korval::config
