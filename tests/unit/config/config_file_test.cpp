#include "config/config_file.h"

#include "config_fixture.h"
#include "platform/ini.h"

namespace korval::config {
namespace {

using testing::ConfigTest;

class ConfigFileTest : public ConfigTest {};

TEST_F(ConfigFileTest, ConfigSectionAccess) {
  WriteConfig("[_CONFIG_]\r\nVIEWER=less\r\nRBP=20\r\n");
  EXPECT_EQ(ReadConfigString("viewer", "xdg-open", 119), "less");
  EXPECT_EQ(ReadConfigString("LOC", "", 80), "");
  EXPECT_EQ(ReadConfigNumber("rbp", 4096), 20);
  EXPECT_EQ(ReadConfigNumber("SBP", 512), 512);

  WriteConfigString("VIEWER", std::nullopt);
  EXPECT_EQ(ReadConfigString("VIEWER", "xdg-open", 119), "xdg-open");
  WriteConfigString("MAXIMIZE", "1");
  EXPECT_EQ(ConfigText(), "[_CONFIG_]\r\nRBP=20\r\nMAXIMIZE=1\r\n");
}

TEST_F(ConfigFileTest, NumbersWrittenUnsigned) {
  WriteSettingNumber("_config_", "FHEIGHT", static_cast<std::uint32_t>(-11));
  WriteSettingNumber("Work", "TIMEOUT", 120);
  EXPECT_EQ(ConfigText(), "[_config_]\nFHEIGHT=4294967285\n\n[Work]\nTIMEOUT=120\n");
  EXPECT_EQ(ReadConfigNumber("FHEIGHT", 0), -11);
}

TEST_F(ConfigFileTest, ProfileOverrideReadsProfileThenGlobalThenDefault) {
  WriteConfig(
      "[_config_]\nPASVMODE=1\nBELL=0\n\n"
      "[Work]\nBELL=1\nSTOU=\n");
  struct Case {
    const char* Key;
    int Default;
    int Expected;
  };
  const Case cases[] = {
      {"BELL", 7, 1},      // profile
      {"PASVMODE", 7, 1},  // "_config_"
      {"RECU", 7, 7},      // neither
      {"STOU", 7, 7},      // an empty value counts as absent
  };
  for (const Case& test : cases) EXPECT_EQ(ReadProfileOverride("work", test.Key, test.Default), test.Expected) << test.Key;
  EXPECT_EQ(ReadProfileOverride("No such profile", "BELL", 7), 0);
}

TEST_F(ConfigFileTest, ProfileOverrideWrittenOnlyWhenItDiffers) {
  struct Case {
    const char* Name;
    std::string Global;  // the "_config_" line, or empty for none
    std::uint32_t Value;
    bool InProfile;
  };
  const Case cases[] = {
      {"same as global: inherited", "PASVMODE=1", 1, false},
      {"no global value: written", "", 1, true},
      {"global differs: written", "PASVMODE=0", 1, true},
      {"value equal to the sentinel without global: written", "", 99, true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Name);
    WriteConfig("[_config_]\n" + (test.Global.empty() ? std::string() : test.Global + "\n") +
                "\n[Work]\nHOST=h\nPASVMODE=5\n");
    WriteProfileOverride("Work", "PASVMODE", test.Value);
    std::string stored = platform::ReadIniString(ConfigPath(), "Work", "PASVMODE", "absent", 10);
    EXPECT_EQ(stored, test.InProfile ? std::to_string(test.Value) : "absent");
    EXPECT_EQ(platform::ReadIniString(ConfigPath(), "Work", "HOST", "", 79), "h");
  }
}

TEST_F(ConfigFileTest, SessionOverrideUsesCurrentProfile) {
  WriteConfig("[_config_]\nSTOU=0\n");
  CurrentProfile().Name = "Work";
  WriteSessionOverride("STOU", 1);
  WriteSessionOverride("RECU", 0);
  EXPECT_EQ(ConfigText(), "[_config_]\nSTOU=0\n\n[Work]\nSTOU=1\nRECU=0\n");
  WriteSessionOverride("STOU", 0);
  EXPECT_EQ(ConfigText(), "[_config_]\nSTOU=0\n\n[Work]\nRECU=0\n");
}

TEST_F(ConfigFileTest, NoProfileNoSection) {
  WriteConfig("[_config_]\n");
  CurrentProfile().Name = "";
  WriteSessionOverride("STOU", 1);
  EXPECT_EQ(ConfigText(), "[_config_]\n") << "no nameless section is made";
}

TEST_F(ConfigFileTest, UnreadableFileBehavesAsEmpty) {
  std::filesystem::create_directories(ConfigPath());  // a directory where the file should be
  EXPECT_EQ(ReadConfigNumber("RBP", 4096), 4096);
  WriteConfigString("SESSION", "x");  // ignored
  EXPECT_TRUE(std::filesystem::is_directory(ConfigPath()));
}

}  // namespace
}  // namespace korval::config
