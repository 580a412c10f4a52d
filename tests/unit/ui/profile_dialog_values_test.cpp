// The values of the Session Profile and Advanced dialogs: capacities, the
// numbers' clamps, the name rules, the anonymous box, reserved names, and
// what OK writes to the FIREWALL section.

#include "ui/logic/profile_dialog_values.h"

#include <gtest/gtest.h>

#include "../config/config_fixture.h"
#include "config/config_file.h"
#include "config/password_encoding.h"
#include "platform/ini.h"

namespace korval::ui::logic {
namespace {

using config::SessionProfile;

TEST(ProfileDialogValues, ReservedNamesIgnoreCase) {
  struct Case {
    const char* name;
    bool reserved;
  };
  const Case cases[] = {
      {"_config_", true}, {"_CONFIG_", true}, {"FIREWALL", true}, {"firewall", true}, {"Korval", true},
      {"KORVAL", true},   {"demo", false},    {"FIREWALL2", false}, {" KORVAL", false}, {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsReservedProfileName(c.name), c.reserved) << c.name;
  EXPECT_EQ(ReservedNameMessage("firewall"), "firewall is a reserved name; choose another profile name.");
  EXPECT_EQ(OfferedProfileNames({"alpha", "FIREWALL", "demo", "korval", "Zeta"}),
            (std::vector<std::string>{"alpha", "demo", "Zeta"}));
}

TEST(ProfileDialogValues, NameTakesTheHostWhenEmptyAndLosesLeadingBlanks) {
  struct Case {
    std::string name;
    std::string host;
    std::string expected;
  };
  const Case cases[] = {
      {"", "ftp.example.org", "ftp.example.org"},
      {"   work", "ftp.example.org", "work"},
      {"", "  spaced.host", "spaced.host"},
      {"  ", "ftp.example.org", ""},  // blanks are a typed name: nothing is left of it
      {"work  ", "h", "work  "},
      {std::string(100, 'n'), "h", std::string(79, 'n')},
      {"", std::string(90, 'h'), std::string(79, 'h')},
  };
  for (const Case& c : cases) EXPECT_EQ(ProfileNameOfFields(c.name, c.host), c.expected) << c.name << "|" << c.host;
}

TEST(ProfileDialogValues, FieldsAreCutToTheirCapacities) {
  ProfileDialogFields fields;
  fields.Name = std::string(120, 'a');
  fields.Host = std::string(120, 'b');
  fields.User = std::string(120, 'c');
  fields.Password = std::string(120, 'd');
  fields.Account = std::string(120, 'e');
  fields.RemoteDir = std::string(300, 'f');
  fields.LocalDir = std::string(300, 'g');
  fields.HostTypeIndex = 4;
  fields.SavePassword = true;
  SessionProfile profile;
  profile.Port = 2121;  // the Advanced dialog's values stay
  ApplyFieldsToProfile(fields, profile);
  EXPECT_EQ(profile.Name, std::string(79, 'a'));
  EXPECT_EQ(profile.Host, std::string(79, 'b'));
  EXPECT_EQ(profile.User, std::string(79, 'c'));
  EXPECT_EQ(profile.Password, std::string(79, 'd'));
  EXPECT_EQ(profile.Account, std::string(79, 'e'));
  EXPECT_EQ(profile.InitialRemoteDir, std::string(143, 'f'));
  EXPECT_EQ(profile.LocalDir, std::string(143, 'g'));
  EXPECT_EQ(profile.HostType, 6004u);
  EXPECT_EQ(profile.SavePassword, 1);
  EXPECT_EQ(profile.Port, 2121u);
  EXPECT_EQ(CommentToWrite(std::string(100, 'x')), std::optional<std::string>(std::string(79, 'x')));
  EXPECT_EQ(CommentToWrite(""), std::nullopt);
}

TEST(ProfileDialogValues, HostTypeListCarriesSixThousandPlusIndex) {
  const std::vector<std::string> names = HostTypeListNames();
  ASSERT_EQ(names.size(), 41u);
  EXPECT_EQ(names.front(), "Automatic detect");
  EXPECT_EQ(names.back(), "MAC VersaTerm");
  struct Case {
    int index;
    std::uint32_t type;
  };
  for (const Case c : {Case{0, 6000}, Case{4, 6004}, Case{40, 6040}, Case{-1, 6000}, Case{41, 6000}})
    EXPECT_EQ(HostTypeOfListIndex(c.index), c.type) << c.index;
  for (const Case c : {Case{0, 6000}, Case{33, 6033}, Case{40, 6040}, Case{0, 5999}, Case{0, 6041}})
    EXPECT_EQ(HostTypeListIndex(c.type), c.index) << c.type;
}

TEST(ProfileDialogValues, AnonymousBoxFillsUserAndAddressAndUncheckingKeepsTheTexts) {
  ProfileDialogFields fields;
  fields.User = "joe";
  fields.Password = "secret";
  fields.Account = "acct";
  ApplyAnonymousBox(true, "me@example.org", fields);
  EXPECT_TRUE(fields.Anonymous);
  EXPECT_EQ(fields.User, "anonymous");
  EXPECT_EQ(fields.Password, "me@example.org");
  EXPECT_EQ(fields.Account, "");
  ApplyAnonymousBox(false, "other@example.org", fields);
  EXPECT_FALSE(fields.Anonymous);
  EXPECT_EQ(fields.User, "anonymous");
  EXPECT_EQ(fields.Password, "me@example.org");
  // A cancelled address prompt leaves the password empty.
  ApplyAnonymousBox(true, "", fields);
  EXPECT_EQ(fields.Password, "");

  SessionProfile profile;
  profile.User = "AnonyMous";
  EXPECT_TRUE(FieldsOfProfile(profile, "", false).Anonymous);
  profile.User = "anonymous2";
  EXPECT_FALSE(FieldsOfProfile(profile, "", false).Anonymous);
}

TEST(ProfileDialogValues, RemovalSelectsTheSamePlaceOrTheFirst) {
  struct Case {
    int removed;
    int remaining;
    int expected;
  };
  const Case cases[] = {{0, 2, 0}, {1, 3, 1}, {2, 2, 0}, {0, 0, -1}, {-1, 2, 0}};
  for (const Case& c : cases) EXPECT_EQ(IndexAfterRemoval(c.removed, c.remaining), c.expected) << c.removed;
}

TEST(ProfileDialogValues, NumbersAreTheirLeadingDigits) {
  struct Case {
    const char* text;
    std::uint32_t value;
  };
  const Case cases[] = {{"21", 21}, {"  65", 65}, {"", 0}, {"abc", 0}, {"12ab", 12}, {"-5", 0},
                        {"99999999999", 4294967295u}};
  for (const Case& c : cases) EXPECT_EQ(DialogNumber(c.text), c.value) << c.text;
}

AdvancedDialogFields Typed(const char* retries, const char* timeout, const char* port) {
  AdvancedDialogFields fields;
  fields.Retries = retries;
  fields.Timeout = timeout;
  fields.Port = port;
  return fields;
}

TEST(AdvancedDialogValues, NumbersAreClampedOnOk) {
  struct Case {
    const char* retries;
    const char* timeout;
    const char* port;
    std::int32_t expectedRetries;
    std::uint32_t expectedTimeout;
    std::uint32_t expectedPort;
  };
  const Case cases[] = {
      {"50", "0", "5", 20, 65, 21},    {"20", "30", "10", 20, 30, 10}, {"3", "1", "9", 3, 1, 21},
      {"0", "", "2121", 0, 65, 2121},  {"21", "65", "0", 20, 65, 21},
  };
  for (const Case& c : cases) {
    SessionProfile profile;
    EXPECT_EQ(ApplyAdvancedFields(Typed(c.retries, c.timeout, c.port), profile), std::nullopt);
    EXPECT_EQ(profile.Retries, c.expectedRetries) << c.retries;
    EXPECT_EQ(profile.Timeout, c.expectedTimeout) << c.timeout;
    EXPECT_EQ(profile.Port, c.expectedPort) << c.port;
    EXPECT_EQ(profile.UseFirewall, 0);
  }
}

TEST(AdvancedDialogValues, FirewallPortBelowTwentyEightBecomesTwentyOneAndTheProfilePort) {
  struct Case {
    const char* firewallPort;
    std::uint32_t expected;
  };
  for (const Case c : {Case{"25", 21}, Case{"27", 21}, Case{"28", 28}, Case{"1080", 1080}, Case{"", 21}}) {
    AdvancedDialogFields fields = Typed("1", "30", "2121");
    fields.UseFirewall = true;
    fields.FirewallHost = "fw.example.org";
    fields.FirewallUser = "fwuser";
    fields.FirewallPassword = "fwpass";
    fields.FirewallPort = c.firewallPort;
    fields.FirewallType = 3;
    SessionProfile profile;
    const std::optional<FirewallWrite> write = ApplyAdvancedFields(fields, profile);
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(write->Settings.Port, c.expected) << c.firewallPort;
    EXPECT_EQ(profile.Port, c.expected) << c.firewallPort;
    EXPECT_EQ(profile.UseFirewall, 1);
    EXPECT_EQ(profile.FirewallType, 3);
    EXPECT_EQ(write->Settings.Type, 3);
    EXPECT_EQ(write->Settings.Host, "fw.example.org");
  }
}

TEST(AdvancedDialogValues, TextsAreCutToTheirCapacities) {
  AdvancedDialogFields fields = Typed("1", "1", "21");
  fields.InitCommand = std::string(100, 'i');
  fields.LocalMask = std::string(40, 'l');
  fields.RemoteMask = std::string(40, 'r');
  fields.UseFirewall = true;
  fields.FirewallHost = std::string(100, 'h');
  fields.FirewallUser = std::string(100, 'u');
  fields.FirewallPassword = std::string(100, 'p');
  fields.FirewallPort = "1080";
  SessionProfile profile;
  const std::optional<FirewallWrite> write = ApplyAdvancedFields(fields, profile);
  ASSERT_TRUE(write.has_value());
  EXPECT_EQ(profile.InitCommand, std::string(79, 'i'));
  EXPECT_EQ(profile.LocalMask, std::string(19, 'l'));
  EXPECT_EQ(profile.RemoteMask, std::string(19, 'r'));
  EXPECT_EQ(write->Settings.Host, std::string(79, 'h'));
  EXPECT_EQ(write->Settings.User, std::string(79, 'u'));
  EXPECT_EQ(write->Settings.Password, std::string(79, 'p'));
}

TEST(AdvancedDialogValues, OpeningShowsTheSectionOrTheLastFieldsInMemory) {
  SessionProfile profile;
  profile.Port = 5;
  profile.Retries = 2;
  profile.Timeout = 30;
  profile.UseFirewall = 1;
  config::FirewallSettings section;
  section.Host = "fw";
  section.User = "fu";
  section.Password = "fp";
  section.PasswordStored = true;
  section.Port = 1080;
  section.Type = 2;
  FirewallFieldMemory memory{"old", "olduser", "oldpass", "8080", false};
  AdvancedDialogFields shown = AdvancedFieldsOnOpening(profile, section, memory);
  EXPECT_EQ(shown.Port, "21");
  EXPECT_EQ(shown.Retries, "2");
  EXPECT_EQ(shown.Timeout, "30");
  EXPECT_TRUE(shown.UseFirewall);
  EXPECT_EQ(shown.FirewallHost, "fw");
  EXPECT_EQ(shown.FirewallPassword, "fp");
  EXPECT_TRUE(shown.SaveFirewallPassword);
  EXPECT_EQ(shown.FirewallPort, "1080");
  EXPECT_EQ(shown.FirewallType, 2);

  section.Host.clear();
  section.Type = 7;  // no radio: the default
  shown = AdvancedFieldsOnOpening(profile, section, memory);
  EXPECT_EQ(shown.FirewallHost, "old");
  EXPECT_EQ(shown.FirewallUser, "olduser");
  EXPECT_EQ(shown.FirewallPassword, "oldpass");
  EXPECT_EQ(shown.FirewallPort, "8080");
  EXPECT_FALSE(shown.SaveFirewallPassword);
  EXPECT_EQ(shown.FirewallType, 1);
}

class AdvancedDialogFileTest : public testing::ConfigTest {};

const std::string FirewallFile =
    "[_config_]\r\nSESSION=work\r\n\r\n"
    "[FIREWALL]\r\nHOST=fw.example.org\r\nUID=fwuser\r\n; kept as written\r\nPORT=1080\r\nFIRETYPE=0\r\n\r\n"
    "[work]\r\nHOST=ftp.example.org\r\n";

TEST_F(AdvancedDialogFileTest, FirewallOffLeavesTheSectionByteForByte) {
  WriteConfig(FirewallFile);
  SessionProfile profile;
  profile.Name = "work";
  AdvancedDialogFields fields = LoadAdvancedFields(profile);
  EXPECT_EQ(fields.FirewallHost, "fw.example.org");
  EXPECT_EQ(fields.FirewallPort, "1080");
  EXPECT_EQ(fields.FirewallType, 0);
  fields.FirewallHost = "changed";  // typed, then the firewall is left off
  fields.UseFirewall = false;
  CommitAdvancedFields(fields, profile);
  EXPECT_EQ(ConfigText(), FirewallFile);
  EXPECT_EQ(profile.UseFirewall, 0);
}

TEST_F(AdvancedDialogFileTest, FirewallOnWritesTheSection) {
  WriteConfig(FirewallFile);
  SessionProfile profile;
  profile.Name = "work";
  AdvancedDialogFields fields = LoadAdvancedFields(profile);
  fields.UseFirewall = true;
  fields.FirewallPassword = "fwsecret";
  fields.SaveFirewallPassword = true;
  fields.FirewallPort = "25";
  fields.FirewallType = 2;
  CommitAdvancedFields(fields, profile);
  auto stored = [this](const char* key) {
    return platform::ReadIniString(ConfigPath(), "FIREWALL", key, "<absent>", 200);
  };
  EXPECT_EQ(stored("HOST"), "fw.example.org");
  EXPECT_EQ(stored("UID"), "fwuser");
  EXPECT_EQ(config::DecodePassword("fwuser", stored("PWD")), "fwsecret");
  EXPECT_EQ(stored("PORT"), "21");
  EXPECT_EQ(stored("FIRETYPE"), "2");
  EXPECT_EQ(profile.Port, 21u);

  // Without Save Password the stored one goes.
  fields.SaveFirewallPassword = false;
  CommitAdvancedFields(fields, profile);
  EXPECT_EQ(stored("PWD"), "<absent>");
}

TEST_F(AdvancedDialogFileTest, ReservedNamesAreNeverSaved) {
  WriteConfig(FirewallFile);
  for (const char* name : {"FIREWALL", "korval", "_Config_"}) {
    SessionProfile profile;
    profile.Name = name;
    profile.Host = "ftp.example.org";
    profile.User = "joe";
    EXPECT_FALSE(SaveProfileWithComment(profile, "a comment")) << name;
  }
  EXPECT_EQ(ConfigText(), FirewallFile);

  SessionProfile profile;
  profile.Name = "new";
  profile.Host = "new.example.org";
  EXPECT_TRUE(SaveProfileWithComment(profile, "Fresh"));
  EXPECT_EQ(platform::ReadIniString(ConfigPath(), "new", "HOST", "", 100), "new.example.org");
  EXPECT_EQ(platform::ReadIniString(ConfigPath(), "new", "COMMENT", "", 100), "Fresh");
  EXPECT_TRUE(SaveProfileWithComment(profile, ""));
  EXPECT_EQ(platform::ReadIniString(ConfigPath(), "new", "COMMENT", "<absent>", 100), "<absent>");
}

}  // namespace
}  // namespace korval::ui::logic
