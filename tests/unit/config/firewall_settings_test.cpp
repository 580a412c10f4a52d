#include "config/firewall_settings.h"

#include "config_fixture.h"

namespace korval::config {
namespace {

using testing::ConfigTest;

class FirewallSettingsTest : public ConfigTest {};

TEST_F(FirewallSettingsTest, ReadsSectionWrittenElsewhere) {
  WriteConfig("[FIREWALL]\r\nHOST=fw.example.org\r\nUID=joe\r\nPWD=736665756979\r\nFIRETYPE=3\r\n\r\n[KORVAL]\r\nFIREWALL=1\r\n");
  FirewallSettings firewall = LoadFirewallSettings(2121);
  EXPECT_EQ(firewall.Host, "fw.example.org");
  EXPECT_EQ(firewall.User, "joe");
  EXPECT_EQ(firewall.Password, "secret");
  EXPECT_TRUE(firewall.PasswordStored);
  EXPECT_EQ(firewall.Port, 2121u) << "the caller's default stands for a missing PORT";
  EXPECT_EQ(firewall.Type, 3);
  EXPECT_EQ(ReadBatchFirewallSwitch(), 1);
}

TEST_F(FirewallSettingsTest, MissingSectionGivesDefaults) {
  FirewallSettings firewall = LoadFirewallSettings();
  EXPECT_EQ(firewall.Host, "");
  EXPECT_FALSE(firewall.PasswordStored);
  EXPECT_EQ(firewall.Port, 21u);
  EXPECT_EQ(firewall.Type, 1);
  EXPECT_EQ(ReadBatchFirewallSwitch(), 0);
}

TEST_F(FirewallSettingsTest, SaveWithAndWithoutPassword) {
  WriteConfig("[_config_]\nSESSION=x\n\n[FIREWALL]\nHOST=old\nPWD=6162\nNOTE=kept\n");
  FirewallSettings firewall;
  firewall.Host = "fw";
  firewall.User = "joe";
  firewall.Password = "abc";
  firewall.Port = 1080;
  firewall.Type = 0;
  SaveFirewallSettings(firewall, true);
  EXPECT_EQ(ConfigText(),
            "[_config_]\nSESSION=x\n\n[FIREWALL]\nHOST=fw\nPWD=616365\nNOTE=kept\nUID=joe\nFIRETYPE=0\nPORT=1080\n");
  FirewallSettings loaded = LoadFirewallSettings();
  EXPECT_EQ(loaded.Password, "abc");
  EXPECT_EQ(loaded.Port, 1080u);
  EXPECT_EQ(loaded.Type, 0);

  SaveFirewallSettings(firewall, false);
  loaded = LoadFirewallSettings();
  EXPECT_FALSE(loaded.PasswordStored);
  EXPECT_EQ(loaded.Password, "");
}

}  // namespace
}  // namespace korval::config
