// Logon, the command set and a listing in each data-connection mode against
// vsftpd and pyftpdlib, each checked by the dialogue in the message log and
// by what the server's directory holds afterwards; and the retries of the
// Connect button against a port where nothing listens.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/ftp_commands.h"
#include "engine/host_detection.h"
#include "engine/host_type.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "engine/message_log.h"
#include "engine/server_features.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/timeout_timer.h"
#include "operations/connect_command.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

bool Logged(const testing::ScriptedHost& host, std::string_view line) {
  for (const std::string& logged : host.LogWindowLines())
    if (logged == line) return true;
  return false;
}

bool LoggedContaining(const testing::ScriptedHost& host, std::string_view part) {
  for (const std::string& logged : host.LogWindowLines())
    if (logged.find(part) != std::string::npos) return true;
  return false;
}

int CountLogged(const testing::ScriptedHost& host, std::string_view line) {
  int count = 0;
  for (const std::string& logged : host.LogWindowLines())
    if (logged == line) ++count;
  return count;
}

int CountLoggedStartingWith(const testing::ScriptedHost& host, std::string_view start) {
  int count = 0;
  for (const std::string& logged : host.LogWindowLines())
    if (logged.rfind(start, 0) == 0) ++count;
  return count;
}

class RealServerLogonTest : public testing::RealServerTest {
 protected:
  testing::ScriptedHost host;
  testing::TemporaryDirectory local;
  int socket = -1;

  void SetUp() override {
    RealServerTest::SetUp();
    if (HasFatalFailure()) return;
    ResetSession();
    ResetCommandEngine();
    ResetMessageLog();
    config::ResetProgramSettings();
    config::Settings().Verbose = 1;
    config::ProgramFiles().ConfigPath = local.FilePath("KORVAL.INI").string();
    SetTimeoutTickMs(50);
    platform::SetHost(&host);
    engine::SetListingFile(local.FilePath("DIR0001.TMP").string());
    config::SessionProfile& profile = config::CurrentProfile();
    profile = config::SessionProfile{};
    profile.Host = Server().Host();
    profile.Port = Server().Port();
    profile.User = Server().User();
    profile.Password = Server().Password();
    profile.Timeout = 20;
  }

  void TearDown() override {
    if (socket != -1) {
      TheSession().ControlSocket = socket;
      CloseConnection();
    }
    platform::SetHost(nullptr);
    SetTimeoutTickMs(5000);
    config::ProgramFiles() = config::ProgramFilePaths{};
    ResetSession();
    RealServerTest::TearDown();
  }

  void LogOn() {
    socket = Logon(config::CurrentProfile());
    ASSERT_NE(socket, -1);
    TheSession().ControlSocket = socket;
  }

  // The dialogue since `from`: commands sent and the reply lines' codes.
  std::vector<std::string> DialogueSince(std::size_t from) {
    std::vector<std::string> lines = host.LogWindowLines();
    std::vector<std::string> dialogue;
    for (std::size_t i = from; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ')
        dialogue.push_back(line.substr(0, 3));
      else if (line.size() >= 3 && std::isupper(static_cast<unsigned char>(line[0])) &&
               line.find_first_of("abcdefghijklmnopqrstuvwxyz") > 3)
        dialogue.push_back(line);
    }
    return dialogue;
  }
};

TEST_P(RealServerLogonTest, LogsOnAndRunsTheDirectoryCommands) {
  ASSERT_TRUE(Server().WriteFile("doomed.txt", "bye\n"));
  LogOn();
  EXPECT_TRUE(TheSession().LoggedOn);

  std::size_t mark = host.LogWindowLines().size();
  EXPECT_EQ(PrintRemoteDir(socket), 2);
  EXPECT_THAT(TheSession().ReplyLine, StartsWith("257 \"/\""));
  EXPECT_EQ(MakeRemoteDir(socket, "made"), 2);
  EXPECT_TRUE(std::filesystem::is_directory(Server().PathOf("made")));
  EXPECT_EQ(ChangeRemoteDir(socket, "made"), 2);
  EXPECT_EQ(PrintRemoteDir(socket), 2);
  EXPECT_THAT(TheSession().ReplyLine, StartsWith("257 \"/made\""));
  EXPECT_EQ(ChangeRemoteDir(socket, ".."), 2);
  EXPECT_EQ(RemoveRemoteDir(socket, "made"), 2);
  EXPECT_FALSE(std::filesystem::exists(Server().PathOf("made")));
  EXPECT_EQ(DeleteRemoteFile(socket, "doomed.txt"), 2);
  EXPECT_FALSE(std::filesystem::exists(Server().PathOf("doomed.txt")));
  EXPECT_EQ(ChangeRemoteDir(socket, "no-such-directory"), 5);
  EXPECT_EQ(TheSession().LastReplyCode, 550);

  EXPECT_THAT(DialogueSince(mark),
              ElementsAre("PWD", "257", "MKD made", "257", "CWD made", "250", "PWD", "257", "CDUP", "250", "RMD made",
                          "250", "DELE doomed.txt", "250", "CWD no-such-directory", "550"));
}

TEST_P(RealServerLogonTest, LogonDialogueAndDetection) {
  LogOn();
  std::vector<std::string> logon = DialogueSince(0);
  EXPECT_THAT(logon, ElementsAre("220", "USER " + Server().User(), "331", "PASS (hidden)", "230", "FEAT", "211"));
  EXPECT_FALSE(LoggedContaining(host, Server().Password()));
  // Both list the extensions of RFC 2428 and 3659 without TLS configured.
  const engine::ServerFeatures& features = engine::SessionFeatures();
  EXPECT_TRUE(features.Answered());
  for (engine::ServerFeature feature : {engine::ServerFeature::Epsv, engine::ServerFeature::Eprt,
                                        engine::ServerFeature::Size, engine::ServerFeature::Mdtm,
                                        engine::ServerFeature::RestStream})
    EXPECT_TRUE(features.Has(feature)) << static_cast<unsigned>(feature);
  EXPECT_FALSE(features.Has(engine::ServerFeature::AuthTls));
  EXPECT_EQ(CountLoggedStartingWith(host, "[x] server features: "), 1);
  EXPECT_TRUE(LoggedContaining(host, "EPSV EPRT"));

  engine::DetectHostType(socket);

  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::Unix));
  EXPECT_TRUE(Logged(host, "Host type (2): UNIX (standard)"));
  EXPECT_TRUE(TheSession().CanMkd && TheSession().CanRmd && TheSession().CanRename && TheSession().CanDelete);
}

TEST_P(RealServerLogonTest, WrongPasswordIsALogonFailure) {
  config::CurrentProfile().Password = "not-the-password";

  EXPECT_EQ(Logon(config::CurrentProfile()), -1);

  EXPECT_TRUE(Logged(host, "logon failure, so quitting"));
  EXPECT_FALSE(TheSession().LoggedOn);
}

TEST_P(RealServerLogonTest, ListsIntoTheListingFileInPassiveMode) {
  ASSERT_TRUE(Server().WriteFile("alpha.txt", "12345\n"));
  config::CurrentProfile().Passive = 1;
  LogOn();
  // Both list EPSV, which passive mode then uses; with the features
  // forgotten (as for a server without FEAT) it is PASV.
  struct Case {
    bool featuresKnown;
    const char* command;
    const char* reply;
  } cases[] = {{true, "EPSV", "229"}, {false, "PASV", "227"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    if (!c.featuresKnown) TheSession().Features = engine::ServerFeatures{};
    std::size_t mark = host.LogWindowLines().size();

    EXPECT_EQ(DoDirList(socket, "LIST"), 2);

    std::optional<std::string> listing = local.ReadFile("DIR0001.TMP");
    ASSERT_TRUE(listing.has_value());
    EXPECT_THAT(*listing, HasSubstr("alpha.txt"));
    std::vector<std::string> dialogue = DialogueSince(mark);
    ASSERT_GE(dialogue.size(), 5u);
    EXPECT_EQ(dialogue[0], c.command);
    EXPECT_EQ(dialogue[1], c.reply);
    EXPECT_EQ(dialogue[2], "LIST");
    EXPECT_TRUE(dialogue[3] == "150" || dialogue[3] == "125") << dialogue[3];
    EXPECT_EQ(dialogue.back(), "226");
  }
  EXPECT_FALSE(LoggedContaining(host, "[x] PASV address"));
}

TEST_P(RealServerLogonTest, ListsIntoTheListingFileInActiveMode) {
  ASSERT_TRUE(Server().WriteFile("beta.txt", "12345\n"));
  config::CurrentProfile().Passive = 0;
  LogOn();
  std::size_t mark = host.LogWindowLines().size();

  EXPECT_EQ(DoDirList(socket, "LIST"), 2);

  std::optional<std::string> listing = local.ReadFile("DIR0001.TMP");
  ASSERT_TRUE(listing.has_value());
  EXPECT_THAT(*listing, HasSubstr("beta.txt"));
  std::vector<std::string> dialogue = DialogueSince(mark);
  ASSERT_GE(dialogue.size(), 5u);
  EXPECT_THAT(dialogue[0], StartsWith("PORT 127,0,0,1,"));
  EXPECT_EQ(dialogue[1], "200");
  EXPECT_EQ(dialogue[2], "LIST");
  EXPECT_EQ(dialogue.back(), "226");
  EXPECT_TRUE(LoggedContaining(host, "] accept from 127.0.0.1 port "));
  EXPECT_FALSE(LoggedContaining(host, "[x] data connection from"));
}

TEST_P(RealServerLogonTest, RetriesAgainstTheStoppedServerMakeRetriesPlusOneAttempts) {
  Server().Stop();  // its port refuses now
  config::SessionProfile profile = config::CurrentProfile();
  profile.Retries = 2;
  host.QueueProfileDialog(profile);

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_EQ(CountLogged(host, "Connection to 127.0.0.1 failed"), 3);
  EXPECT_EQ(CountLogged(host, "can't connect to 127.0.0.1 - connection refused"), 3);
  EXPECT_EQ(TheSession().ControlSocket, -1);
}

TEST_P(RealServerLogonTest, ConnectAndCloseButtons) {
  config::SessionProfile profile = config::CurrentProfile();
  profile.InitialRemoteDir = "sub";
  ASSERT_TRUE(Server().MakeDirectory("sub"));
  host.QueueProfileDialog(profile);

  operations::ConnectCommand(ConnectCommandId);

  ASSERT_NE(TheSession().ControlSocket, -1);
  EXPECT_EQ(PrintRemoteDir(TheSession().ControlSocket), 2);
  EXPECT_THAT(TheSession().ReplyLine, StartsWith("257 \"/sub\""));

  operations::ConnectCommand(ConnectCommandId);  // now the Close button

  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_TRUE(LoggedContaining(host, "221"));
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(RealServerLogonTest);

}  // namespace
}  // namespace korval::engine
