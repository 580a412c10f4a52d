#include "config/session_profile.h"

#include "config/config_file.h"
#include "config/prompts.h"
#include "config_fixture.h"
#include "platform/ini.h"

namespace korval::config {
namespace {

using testing::ConfigTest;

class SessionProfileTest : public ConfigTest {
 protected:
  SessionProfile Load(const std::string& name) {
    SessionProfile profile;
    profile.Name = name;
    LoadSessionProfile(profile);
    return profile;
  }
  std::string Stored(const std::string& section, const std::string& key) {
    return platform::ReadIniString(ConfigPath(), section, key, "<absent>", 1000);
  }
};

// A file as the original platform wrote it: CR LF, a password of user "joe"
// ("secret"), an anonymous profile with its address in clear.
const std::string OriginalFile =
    "[_config_]\r\n"
    "MAILADDR=me@example.org\r\n"
    "PASVMODE=1\r\n"
    "\r\n"
    "[Work]\r\n"
    "HOST=ftp.example.org\r\n"
    "UID=joe\r\n"
    "PWD=736665756979\r\n"
    "ACT=acct\r\n"
    "DIR=/pub\r\n"
    "LOCDIR=origdir\r\n"
    "INITCMD=SITE UMASK 022\r\n"
    "LMASK=*.c\r\n"
    "RMASK=*.h\r\n"
    "TYPE=6004\r\n"
    "TIMEOUT=30\r\n"
    "PORT=2121\r\n"
    "RETRIES=2\r\n"
    "FIREWALL=1\r\n"
    "FIRETYPE=2\r\n"
    "PASVMODE=0\r\n"
    "MODE=76\r\n"
    "AMODE=1\r\n"
    "\r\n"
    "[Mirror]\r\n"
    "HOST=mirror.example.org\r\n"
    "UID=anonymous\r\n"
    "PWD=guest@example.org\r\n";

TEST_F(SessionProfileTest, LoadsEveryField) {
  WriteConfig(OriginalFile);
  SessionProfile profile = Load("WORK");
  EXPECT_EQ(profile.Host, "ftp.example.org");
  EXPECT_EQ(profile.User, "joe");
  EXPECT_EQ(profile.Password, "secret");
  EXPECT_EQ(profile.SavePassword, 1);
  EXPECT_EQ(profile.Account, "acct");
  EXPECT_EQ(profile.InitialRemoteDir, "/pub");
  EXPECT_EQ(profile.LocalDir, "origdir");
  EXPECT_EQ(profile.InitCommand, "SITE UMASK 022");
  EXPECT_EQ(profile.LocalMask, "*.c");
  EXPECT_EQ(profile.RemoteMask, "*.h");
  EXPECT_EQ(profile.HostType, 6004u);
  EXPECT_EQ(profile.Timeout, 30u);
  EXPECT_EQ(profile.Port, 2121u);
  EXPECT_EQ(profile.Retries, 2);
  EXPECT_EQ(profile.UseFirewall, 1);
  EXPECT_EQ(profile.Passive, 0) << "the profile's PASVMODE wins over \"_config_\"";
  EXPECT_EQ(profile.FirewallType, 0) << "FIRETYPE is never read";
  EXPECT_EQ(Settings().Mode, 'L');
  EXPECT_EQ(Settings().AutoMode, 1);
  EXPECT_TRUE(host_.Prompts.empty());
}

TEST_F(SessionProfileTest, UnknownNameGivesDefaultsWithNameAsHost) {
  WriteConfig(OriginalFile);
  SessionProfile profile;
  profile.Name = "ftp.other.org";
  profile.User = "left over";
  profile.Account = "left over";
  profile.Port = 99;
  LoadSessionProfile(profile);
  EXPECT_EQ(profile.Host, "ftp.other.org");
  EXPECT_EQ(profile.User, "");
  EXPECT_EQ(profile.Account, "");
  EXPECT_EQ(profile.Port, 21u);
  EXPECT_EQ(profile.Timeout, 65u);
  EXPECT_EQ(profile.HostType, 6000u);
  EXPECT_EQ(profile.Passive, 1) << "inherited from \"_config_\"";
  EXPECT_EQ(profile.SavePassword, 0);
}

TEST_F(SessionProfileTest, OverridesApplyToProgramSettings) {
  WriteConfig(
      "[_config_]\nBELL=0\nSTOU=1\nVLINK=0\nMODE=65\n\n"
      "[P]\nAMODE=1\nBELL=1\nCONVEXT=1\nDOUPDATE=0\nFORCLOW=1\nPROMPT=1\nRECU=1\nSORTLBX=1\nusewave=0\n");
  Load("P");
  ProgramSettings& settings = Settings();
  EXPECT_EQ(settings.AutoMode, 1);
  EXPECT_EQ(settings.Bell, 1);
  EXPECT_EQ(settings.ConvertExtensions, 1);
  EXPECT_EQ(settings.AutoUpdate, 0);
  EXPECT_EQ(settings.ForceLowerCase, 1);
  EXPECT_EQ(settings.PromptForNames, 1);
  EXPECT_EQ(settings.SendUnique, 1) << "from \"_config_\"";
  EXPECT_EQ(settings.ReceiveUnique, 1);
  EXPECT_EQ(settings.SortListBoxes, 1);
  EXPECT_EQ(settings.UseWave, 0);
  EXPECT_EQ(settings.Mode, 'A');
  EXPECT_EQ(settings.LinksAsDirectories, 0);
}

TEST_F(SessionProfileTest, ValuesCutAtFieldCapacity) {
  WriteConfig("[Long]\nHOST=" + std::string(200, 'h') + "\nUID=" + std::string(200, 'u') + "\nDIR=" +
              std::string(300, 'd') + "\nLMASK=" + std::string(50, 'm') + "\nINITCMD=" + std::string(100, 'c') + "\n");
  SessionProfile profile = Load("Long");
  EXPECT_EQ(profile.Host, std::string(SessionProfile::HostCapacity, 'h'));
  EXPECT_EQ(profile.User, std::string(SessionProfile::UserCapacity, 'u'));
  EXPECT_EQ(profile.InitialRemoteDir, std::string(SessionProfile::DirCapacity, 'd'));
  EXPECT_EQ(profile.LocalMask, std::string(SessionProfile::MaskCapacity, 'm'));
  EXPECT_EQ(profile.InitCommand, std::string(SessionProfile::InitCommandCapacity, 'c'));
}

TEST_F(SessionProfileTest, AnonymousWithStoredPasswordIsNotAsked) {
  WriteConfig(OriginalFile);
  SessionProfile profile = Load("Mirror");
  EXPECT_EQ(profile.Password, "guest@example.org");
  EXPECT_EQ(profile.SavePassword, 1);
  EXPECT_TRUE(host_.Prompts.empty());
}

TEST_F(SessionProfileTest, AnonymousWithoutAddressAsksUntilAnswered) {
  WriteConfig("[_config_]\nMAILADDR=\n\n[Anon]\nUID=ANONYMOUS\n");
  Settings().MailAddress = "";
  host_.Answers = {std::string(), std::string("me@example.org")};
  SessionProfile profile = Load("Anon");
  ASSERT_EQ(host_.Prompts.size(), 2u) << "an empty answer asks again";
  EXPECT_EQ(host_.Prompts[0].Text, "Enter your e-mail address:");
  EXPECT_EQ(host_.Prompts[0].Capacity, PromptAnswerCapacity);
  EXPECT_EQ(profile.Password, "me@example.org");
  EXPECT_EQ(profile.SavePassword, 0);
  EXPECT_EQ(Settings().MailAddress, "me@example.org");
  EXPECT_EQ(Stored("_config_", "MAILADDR"), "me@example.org");
}

TEST_F(SessionProfileTest, AnonymousPromptCancelledLeavesPasswordEmpty) {
  WriteConfig("[_config_]\nMAILADDR=\n\n[Anon]\nUID=anonymous\n");
  Settings().MailAddress = "";
  host_.Answers = {std::nullopt};
  SessionProfile profile = Load("Anon");
  EXPECT_EQ(host_.Prompts.size(), 1u);
  EXPECT_EQ(profile.Password, "");
  EXPECT_EQ(Stored("_config_", "MAILADDR"), "");
}

TEST_F(SessionProfileTest, AnonymousUsesKnownAddress) {
  WriteConfig("[Anon]\nUID=anonymous\n");
  Settings().MailAddress = "known@example.org";
  SessionProfile profile = Load("Anon");
  EXPECT_TRUE(host_.Prompts.empty());
  EXPECT_EQ(profile.Password, "known@example.org");
}

TEST_F(SessionProfileTest, SaveWritesNoDefaults) {
  WriteConfig("; my servers\n[_config_]\nSESSION=Plain\n\n[Other]\nHOST=o\n");
  SessionProfile profile;
  profile.Name = "Plain";
  profile.Host = "ftp.example.org";
  profile.User = "joe";
  profile.Password = "abc";
  SaveSessionProfile(profile);
  EXPECT_EQ(ConfigText(),
            "; my servers\n[_config_]\nSESSION=Plain\n\n[Other]\nHOST=o\n\n"
            "[Plain]\nHOST=ftp.example.org\nUID=joe\nPASVMODE=0\n")
      << "no PORT 21, TIMEOUT 65, TYPE 6000, no password unless it is to be saved";
}

TEST_F(SessionProfileTest, SaveWritesEverythingSet) {
  SessionProfile profile;
  profile.Name = "Full";
  profile.Host = "h";
  profile.User = "joe";
  profile.Password = "abc";
  profile.SavePassword = 1;
  profile.Account = "a";
  profile.LocalMask = "*.c";
  profile.RemoteMask = "*.h";
  profile.HostType = 6004;
  profile.Timeout = 30;
  profile.LocalDir = "/home/joe";
  profile.InitialRemoteDir = "/pub";
  profile.UseFirewall = 1;
  profile.FirewallType = 3;
  profile.Retries = 2;
  profile.Port = 2121;
  profile.InitCommand = "SITE IDLE 60";
  profile.Passive = 1;
  SaveSessionProfile(profile);
  EXPECT_EQ(ConfigText(),
            "[Full]\nHOST=h\nUID=joe\nPWD=616365\nACT=a\nLMASK=*.c\nRMASK=*.h\nTYPE=6004\nTIMEOUT=30\n"
            "LOCDIR=/home/joe\nDIR=/pub\nFIREWALL=1\nFIRETYPE=3\nRETRIES=2\nPORT=2121\nINITCMD=SITE IDLE 60\n"
            "PASVMODE=1\n");
  SessionProfile loaded = Load("Full");
  EXPECT_EQ(loaded.Password, "abc");
  EXPECT_EQ(loaded.Port, 2121u);
  EXPECT_EQ(loaded.Passive, 1);
}

TEST_F(SessionProfileTest, TlsModeAndPinAreSavedWhenSetAndReadBack) {
  SessionProfile profile;
  profile.Name = "Secure";
  profile.Host = "h";
  profile.User = "joe";
  profile.TlsMode = 2;
  profile.TlsPin = "AB:CD:EF";
  SaveSessionProfile(profile);
  EXPECT_EQ(ConfigText(), "[Secure]\nHOST=h\nUID=joe\nTLSMODE=2\nTLSPIN=AB:CD:EF\nPASVMODE=0\n");
  SessionProfile loaded = Load("Secure");
  EXPECT_EQ(loaded.TlsMode, 2);
  EXPECT_EQ(loaded.TlsPin, "AB:CD:EF");
  // Back to the defaults: both keys go, and a stored profile without them
  // reads as no TLS, as profiles always have.
  profile.TlsMode = 0;
  profile.TlsPin.clear();
  SaveSessionProfile(profile);
  EXPECT_EQ(ConfigText(), "[Secure]\nHOST=h\nUID=joe\nPASVMODE=0\n");
  EXPECT_EQ(Load("Secure").TlsMode, 0);
  EXPECT_EQ(Load("Secure").TlsPin, "");
}

TEST_F(SessionProfileTest, SaveInheritsGlobalPassiveMode) {
  WriteConfig("[_config_]\r\nPASVMODE=1\r\n");
  SessionProfile profile;
  profile.Name = "P";
  profile.Host = "h";
  profile.Passive = 1;
  SaveSessionProfile(profile);
  EXPECT_EQ(Stored("P", "PASVMODE"), "<absent>");
  EXPECT_EQ(Load("P").Passive, 1);
}

// A save rewrites the profile's own keys; whatever else its section holds
// (the Session Options' overrides, the comment, a restart record) stays.
TEST_F(SessionProfileTest, SaveKeepsEveryOtherKeyOfTheSection) {
  WriteConfig(
      "[Work]\r\nHOST=old\r\nCOMMENT=the office\r\nPWD=414243\r\nAMODE=1\r\nBELL=0\r\nCONVEXT=1\r\n"
      "DOUPDATE=1\r\nFORCLOW=1\r\nPROMPT=0\r\nSTOU=1\r\nRECU=1\r\nSORTLBX=2\r\nusewave=1\r\nMODE=73\r\n"
      "VLINK=1\r\nPORT=2121\r\nREGETRDIR=/pub\r\nREGETRFILE=big.iso\r\nREGETLDIR=/tmp\r\nREGETLFILE=big.iso\r\n"
      "\r\n[Next]\r\nHOST=n\r\n");
  SessionProfile profile;
  profile.Name = "Work";
  profile.Host = "new";
  profile.Timeout = 30;
  SaveSessionProfile(profile);
  EXPECT_EQ(ConfigText(),
            "[Work]\r\nHOST=new\r\nCOMMENT=the office\r\nAMODE=1\r\nBELL=0\r\nCONVEXT=1\r\n"
            "DOUPDATE=1\r\nFORCLOW=1\r\nPROMPT=0\r\nSTOU=1\r\nRECU=1\r\nSORTLBX=2\r\nusewave=1\r\nMODE=73\r\n"
            "VLINK=1\r\nREGETRDIR=/pub\r\nREGETRFILE=big.iso\r\nREGETLDIR=/tmp\r\nREGETLFILE=big.iso\r\n"
            "UID=\r\nTIMEOUT=30\r\nPASVMODE=0\r\n"
            "\r\n[Next]\r\nHOST=n\r\n")
      << "the password not to be saved and the default port are deleted, the rest kept";
}

TEST_F(SessionProfileTest, SaveDropsRestartRecordWithoutRemoteFile) {
  WriteConfig("[Work]\nHOST=old\nREGETRDIR=/pub\nREGETLDIR=/tmp\n");
  SessionProfile profile;
  profile.Name = "Work";
  profile.Host = "new";
  SaveSessionProfile(profile);
  EXPECT_EQ(Stored("Work", "REGETRDIR"), "<absent>");
  EXPECT_EQ(Stored("Work", "REGETLDIR"), "<absent>");
}

TEST_F(SessionProfileTest, AnonymousPasswordCaseDecidesEncoding) {
  SessionProfile profile;
  profile.Name = "A";
  profile.Host = "h";
  profile.User = "anonymous";
  profile.Password = "me@x";
  profile.SavePassword = 1;
  SaveSessionProfile(profile);
  EXPECT_EQ(Stored("A", "PWD"), "me@x");

  profile.Name = "B";
  profile.User = "Anonymous";
  SaveSessionProfile(profile);
  EXPECT_EQ(Stored("B", "PWD"), "6D66427B");
  EXPECT_NE(Stored("B", "PWD"), "me@x");
  SessionProfile loaded = Load("B");
  EXPECT_EQ(loaded.Password, "me@x");
  EXPECT_TRUE(host_.Prompts.empty());
}

TEST_F(SessionProfileTest, LongPasswordSurvivesSaveAndLoad) {
  SessionProfile profile;
  profile.Name = "P";
  profile.Host = "h";
  profile.User = "joe";
  profile.Password = std::string(SessionProfile::PasswordCapacity, 'x');
  profile.SavePassword = 1;
  SaveSessionProfile(profile);
  EXPECT_EQ(Load("P").Password, profile.Password);
}

TEST_F(SessionProfileTest, InvalidStoredPasswordDecodesWithoutFailure) {
  WriteConfig("[P]\nUID=joe\nPWD=zz!\n");
  SessionProfile profile = Load("P");
  EXPECT_EQ(profile.Password, "s");
  EXPECT_EQ(profile.SavePassword, 1);
}

TEST_F(SessionProfileTest, DeleteRemovesOnlyThatProfile) {
  WriteConfig(OriginalFile);
  DeleteSessionProfile("work");
  EXPECT_EQ(Stored("Work", "HOST"), "<absent>");
  EXPECT_EQ(Stored("Mirror", "HOST"), "mirror.example.org");
  EXPECT_EQ(Stored("_config_", "MAILADDR"), "me@example.org");
}

TEST_F(SessionProfileTest, ProfileList) {
  WriteConfig(
      "; [not a section]\r\n"
      "[_CONFIG_]\r\nSESSION=x\r\n\r\n"
      "[zeta]\r\nHOST=z\r\n"
      "[Alpha]\r\nHOST=a\r\n"
      "[FIREWALL]\r\nHOST=fw\r\n"
      " [indented]\r\n"
      "[beta] trailing\r\n"
      "[open\r\n"
      "[" + std::string(200, 'L') + "]\r\n");
  std::vector<std::string> expected = {"Alpha", "beta", "FIREWALL", std::string(148, 'L'), "open", "zeta"};
  EXPECT_EQ(ListSessionProfiles(), expected);
}

TEST_F(SessionProfileTest, ProfileListOfMissingFileIsEmpty) {
  EXPECT_TRUE(ListSessionProfiles().empty());
}

TEST_F(SessionProfileTest, ProfileListSkipsRestOfLongLine) {
  WriteConfig("[a]\nCOMMENT=" + std::string(141, 'c') + "[hidden]\n[b]\n");
  EXPECT_EQ(ListSessionProfiles(), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace korval::config
