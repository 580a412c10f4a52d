#include "config/program_settings.h"

#include "config/config_file.h"
#include "config_fixture.h"

namespace korval::config {
namespace {

using testing::ConfigTest;

class ProgramSettingsTest : public ConfigTest {};

struct SettingCase {
  const char* Key;
  int ProgramSettings::*Field;
  int Expected;
};

TEST_F(ProgramSettingsTest, LoadWithoutFileGivesDefaultsOrKeepsStartValues) {
  LoadGlobalSettings();
  const SettingCase cases[] = {
      {"VERBOSE", &ProgramSettings::Verbose, 0},
      {"HASH", &ProgramSettings::ShowTransferDialog, 1},
      {"tranrate", &ProgramSettings::RatesInBytes, 0},
      {"AUTOSAVE", &ProgramSettings::AutoSave, 0},
      {"LONGDIR", &ProgramSettings::LongDirectory, 1},  // starts at 0; the load's default is 1
      {"DBLCLK", &ProgramSettings::DoubleClick, 0},
      {"AUTOSTART", &ProgramSettings::AutoStart, 1},
      {"LAYOUT", &ProgramSettings::AlternateLayout, 0},
      {"BONTOP", &ProgramSettings::ButtonsOnTop, 0},
      {"HIDBTN", &ProgramSettings::HideDirButtons, 0},
      {"FONT", &ProgramSettings::Font, 3},
      {"SCALE", &ProgramSettings::ScaleFonts, 0},
      {"VRFYDEL", &ProgramSettings::VerifyDelete, 1},
      {"RBP", &ProgramSettings::ReceiveBlockSize, 4096},  // starts at 4000
      {"SBP", &ProgramSettings::SendBlockSize, 512},
      {"LSORT", &ProgramSettings::LocalSort, 1},
      {"RSORT", &ProgramSettings::RemoteSort, 1},
      {"AMODE", &ProgramSettings::AutoMode, 0},
      {"BELL", &ProgramSettings::Bell, 1},
      {"CONVEXT", &ProgramSettings::ConvertExtensions, 0},
      {"DOUPDATE", &ProgramSettings::AutoUpdate, 1},
      {"FORCLOW", &ProgramSettings::ForceLowerCase, 0},
      {"PROMPT", &ProgramSettings::PromptForNames, 0},
      {"STOU", &ProgramSettings::SendUnique, 0},
      {"RECU", &ProgramSettings::ReceiveUnique, 0},
      {"SORTLBX", &ProgramSettings::SortListBoxes, 0},
      {"usewave", &ProgramSettings::UseWave, 1},
      {"VLINK", &ProgramSettings::LinksAsDirectories, 1},
  };
  for (const SettingCase& test : cases) EXPECT_EQ(Settings().*test.Field, test.Expected) << test.Key;
  EXPECT_EQ(Settings().Mode, 'I');
  EXPECT_EQ(Settings().MailAddress, std::string(DefaultMailAddress));
  EXPECT_EQ(CurrentProfile().Name, "");
  EXPECT_EQ(CurrentProfile().Port, 21u);
  EXPECT_FALSE(std::filesystem::exists(ConfigPath())) << "a load writes nothing";
}

TEST_F(ProgramSettingsTest, CurrentValueKeysKeepWhatTheyHeld) {
  Settings().Verbose = 1;
  Settings().ShowTransferDialog = 0;
  Settings().AutoStart = 0;
  Settings().Bell = 0;
  Settings().Mode = 'A';
  Settings().AutoMode = 1;
  WriteConfig("[_config_]\nLONGDIR=0\n");
  LoadGlobalSettings();
  EXPECT_EQ(Settings().Verbose, 1);
  EXPECT_EQ(Settings().ShowTransferDialog, 0);
  EXPECT_EQ(Settings().AutoStart, 0);
  EXPECT_EQ(Settings().Bell, 0);
  EXPECT_EQ(Settings().Mode, 'A');
  EXPECT_EQ(Settings().AutoMode, 1);
  EXPECT_EQ(Settings().LongDirectory, 0);
}

TEST_F(ProgramSettingsTest, LoadReadsTheFile) {
  WriteConfig(
      "[_config_]\r\n"
      "MAILADDR=me@example.org\r\n"
      "SESSION=Work\r\n"
      "VERBOSE=1\r\nHASH=0\r\ntranrate=1\r\nAUTOSAVE=1\r\nLONGDIR=0\r\nDBLCLK=2\r\nAUTOSTART=0\r\n"
      "LAYOUT=1\r\nBONTOP=1\r\nHIDBTN=1\r\nFONT=4\r\nSCALE=1\r\nVRFYDEL=0\r\n"
      "RBP=20\r\nSBP=9000\r\nLSORT=11\r\nRSORT=3\r\n"
      "MODE=76\r\nBELL=0\r\nPASVMODE=1\r\n"
      "\r\n"
      "[Work]\r\n"
      "HOST=ftp.example.org\r\n"
      "BELL=1\r\n");
  LoadGlobalSettings();
  ProgramSettings& settings = Settings();
  EXPECT_EQ(settings.MailAddress, "me@example.org");
  EXPECT_EQ(settings.Verbose, 1);
  EXPECT_EQ(settings.ShowTransferDialog, 0);
  EXPECT_EQ(settings.RatesInBytes, 1);
  EXPECT_EQ(settings.AutoSave, 1);
  EXPECT_EQ(settings.LongDirectory, 0);
  EXPECT_EQ(settings.DoubleClick, 2);
  EXPECT_EQ(settings.AutoStart, 0);
  EXPECT_EQ(settings.AlternateLayout, 1);
  EXPECT_EQ(settings.ButtonsOnTop, 1);
  EXPECT_EQ(settings.HideDirButtons, 1);
  EXPECT_EQ(settings.Font, 4);
  EXPECT_EQ(settings.ScaleFonts, 1);
  EXPECT_EQ(settings.VerifyDelete, 0);
  EXPECT_EQ(settings.ReceiveBlockSize, 20) << "no range check at load";
  EXPECT_EQ(settings.SendBlockSize, 9000);
  EXPECT_EQ(settings.LocalSort, 11);
  EXPECT_EQ(settings.RemoteSort, 3);
  EXPECT_EQ(settings.Mode, 'L') << "MODE=76 selects L8";
  EXPECT_EQ(settings.Bell, 1) << "the profile's value wins over \"_config_\"";
  // The profile named by SESSION is the current one, with the global PASVMODE.
  EXPECT_EQ(CurrentProfile().Name, "Work");
  EXPECT_EQ(CurrentProfile().Host, "ftp.example.org");
  EXPECT_EQ(CurrentProfile().Passive, 1);
}

TEST_F(ProgramSettingsTest, LoadResetsTheProfileBeforeLoadingSession) {
  CurrentProfile().Name = "Old";
  CurrentProfile().User = "someone";
  CurrentProfile().Password = "secret";
  CurrentProfile().InitialRemoteDir = "/old";
  CurrentProfile().HostType = 6004;
  CurrentProfile().Timeout = 10;
  WriteConfig("[_config_]\nSESSION=unknown.example.org\n");
  LoadGlobalSettings();
  EXPECT_EQ(CurrentProfile().Name, "unknown.example.org");
  EXPECT_EQ(CurrentProfile().Host, "unknown.example.org") << "an unknown profile's host is its name";
  EXPECT_EQ(CurrentProfile().User, "");
  EXPECT_EQ(CurrentProfile().Password, "");
  EXPECT_EQ(CurrentProfile().InitialRemoteDir, "");
  EXPECT_EQ(CurrentProfile().HostType, 6000u);
  EXPECT_EQ(CurrentProfile().Timeout, 65u);
}

TEST_F(ProgramSettingsTest, ValuesCutAtCapacity) {
  WriteConfig("[_config_]\nMAILADDR=" + std::string(300, 'm') + "\nSESSION=" + std::string(200, 's') + "\n");
  LoadGlobalSettings();
  EXPECT_EQ(Settings().MailAddress, std::string(MailAddressCapacity, 'm'));
  EXPECT_EQ(CurrentProfile().Name, std::string(SessionNameCapacity, 's'));
}

TEST_F(ProgramSettingsTest, SortSettings) {
  WriteConfig("[_config_]\nLSORT=9\n");
  LoadSortSettings();
  EXPECT_EQ(Settings().LocalSort, 9);
  EXPECT_EQ(Settings().RemoteSort, 1);
}

TEST_F(ProgramSettingsTest, SessionNameSaved) {
  WriteConfig("; mine\n[_config_]\nSESSION=Old\nVERBOSE=1\n");
  CurrentProfile().Name = "New one";
  SaveSessionName();
  EXPECT_EQ(ConfigText(), "; mine\n[_config_]\nSESSION=New one\nVERBOSE=1\n");
}

TEST_F(ProgramSettingsTest, SoundsDefaultBesideTheProgram) {
  Settings().UseWave = 0;
  WriteConfig("[_config_]\nwav_error=/sounds/oops.wav\n");
  LoadSoundSettings();
  EXPECT_EQ(Settings().UseWave, 1);
  EXPECT_EQ(Settings().ConnectSound, Root() + "/bin/connect.wav");
  EXPECT_EQ(Settings().CompleteSound, Root() + "/bin/complete.wav");
  EXPECT_EQ(Settings().ErrorSound, "/sounds/oops.wav");
}

TEST_F(ProgramSettingsTest, SoundsKeptWhenProgramPathUnknown) {
  SetSearchLocations(SearchLocations{WorkingDirectory(), "", ConfigDirectory()});
  Settings().ConnectSound = "previous.wav";
  WriteConfig("[_config_]\nusewave=0\nwav_connect=/x.wav\n");
  LoadSoundSettings();
  EXPECT_EQ(Settings().UseWave, 0);
  EXPECT_EQ(Settings().ConnectSound, "previous.wav");
}

TEST_F(ProgramSettingsTest, ValuesReadAtEachUse) {
  EXPECT_EQ(ReadViewerCommand(), "xdg-open");
  EXPECT_EQ(ReadTransferLogEnabled(), 1);
  EXPECT_EQ(ReadTransferLogName(), "KORVAL.LOG");
  CustomFontSettings font = ReadCustomFontSettings();
  EXPECT_EQ(font.Height, -11);
  EXPECT_EQ(font.Weight, 400);
  EXPECT_EQ(font.PitchAndFamily, 49);
  EXPECT_EQ(font.FaceName, "Courier New");

  WriteConfig("[_config_]\nVIEWER=less\ndolog=0\nlogfile=/var/tmp/x.log\nFHEIGHT=4294967283\nFNAME=" +
              std::string(40, 'f') + "\n");
  EXPECT_EQ(ReadViewerCommand(), "less");
  EXPECT_EQ(ReadTransferLogEnabled(), 0);
  EXPECT_EQ(ReadTransferLogName(), "/var/tmp/x.log");
  font = ReadCustomFontSettings();
  EXPECT_EQ(font.Height, -13) << "written with %u, read back signed";
  EXPECT_EQ(font.FaceName, std::string(FontNameCapacity, 'f'));
}

}  // namespace
}  // namespace korval::config
