// The Connect and Close buttons: the profile dialog, the retries, the local
// and remote start-up directories, the panes and controls, and closing.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "connection_test_support.h"
#include "engine/data_connection.h"
#include "engine/logon.h"
#include "operations/connect_command.h"
#include "operations/main_commands.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using namespace std::chrono_literals;
using testing::ConnectionStateGuard;
using testing::CountLogged;
using testing::Logged;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Restores the working directory the test changed.
class WorkingDirectoryGuard {
 public:
  WorkingDirectoryGuard() : saved_(std::filesystem::current_path()) {}
  ~WorkingDirectoryGuard() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

class ConnectCommandTest : public ::testing::Test {
 protected:
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  ScriptedFtpServer server;
  std::vector<std::string> hookCalls;

  void SetUp() override {
    ConnectionHooks& hooks = TheConnectionHooks();
    hooks.ClearListingCache = [this] { hookCalls.push_back("ClearListingCache"); };
    hooks.ListLocalPane = [this](std::string_view mask) { hookCalls.push_back("ListLocalPane " + std::string(mask)); };
    hooks.RetrieveRemotePane = [this](std::string_view mask) {
      hookCalls.push_back("RetrieveRemotePane " + std::string(mask));
    };
    hooks.RefreshRemotePane = [this] { hookCalls.push_back("RefreshRemotePane"); };
  }

  config::SessionProfile DialogProfile() {
    config::SessionProfile profile = testing::ProfileFor(server);
    profile.LocalMask = "*.c";
    profile.RemoteMask = "*.txt";
    return profile;
  }

  std::string LastControlText(int id) {
    std::string text = "unset";
    for (const testing::HostCall& call : host.CallsTo("SetControlText"))
      if (call.detail == std::to_string(id)) text = call.text;
    return text;
  }
};

class RetriesTest : public ConnectCommandTest, public ::testing::WithParamInterface<int> {};

TEST_P(RetriesTest, RefusedPortIsTriedRetriesPlusOneTimes) {
  config::SessionProfile profile;
  profile.Host = "127.0.0.1";
  profile.Port = testing::RefusedLoopbackPort();
  profile.Retries = GetParam();
  host.QueueProfileDialog(profile);
  config::Settings().Bell = 1;
  config::Settings().UseWave = 1;  // no wave file exists: the error sound is the beep

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_EQ(CountLogged(host, "Connection to 127.0.0.1 failed"), GetParam() + 1);
  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_EQ(host.Beeps(), 1);
  EXPECT_TRUE(host.Sounds().empty());
  EXPECT_EQ(LastControlText(ConnectCommandId), "unset");
  // The attempts are counted apart from the profile, which a save writes back.
  EXPECT_EQ(config::CurrentProfile().Retries, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Counts, RetriesTest, ::testing::Values(0, 1, 3));

// Every kind of failed attempt is retried, not only an unreachable host.
struct RetriedFailureCase {
  const char* name;
  std::function<void(ScriptedFtpServer&)> failedAttempt;
};

void PrintTo(const RetriedFailureCase& c, std::ostream* out) { *out << c.name; }

class RetriedFailureTest : public ConnectCommandTest, public ::testing::WithParamInterface<RetriedFailureCase> {};

TEST_P(RetriedFailureTest, IsRetriedUntilTheLogonSucceeds) {
  for (int attempt = 0; attempt < 2; ++attempt) GetParam().failedAttempt(server);
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
  server.Expect("PASS secret").Reply("230 Logged in");
  server.Start();
  config::SessionProfile profile = DialogProfile();
  profile.Retries = 2;
  host.QueueProfileDialog(profile);

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_TRUE(server.Verify());
  EXPECT_TRUE(TheSession().LoggedOn);
  EXPECT_EQ(server.ConnectionsAccepted(), 3);
  EXPECT_EQ(config::CurrentProfile().Retries, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RetriedFailureTest,
    ::testing::Values(RetriedFailureCase{"BusyGreeting",
                                         [](ScriptedFtpServer& s) {
                                           s.Reply("421 Too many users, try again later").ExpectClientClose();
                                         }},
                      RetriedFailureCase{"RefusedPassword",
                                         [](ScriptedFtpServer& s) {
                                           s.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
                                           s.Expect("PASS secret").Reply("530 Login incorrect").ExpectClientClose();
                                         }},
                      RetriedFailureCase{"ClosedAfterTheGreeting",
                                         [](ScriptedFtpServer& s) {
                                           s.Reply("220 Welcome").Expect("USER anna").CloseControl();
                                         }}),
    [](const ::testing::TestParamInfo<RetriedFailureCase>& info) { return std::string(info.param.name); });

// The Cancel command between two attempts ends the retries.
TEST_F(ConnectCommandTest, CancelBetweenAttemptsEndsTheRetries) {
  config::SessionProfile profile;
  profile.Host = "127.0.0.1";
  profile.Port = testing::RefusedLoopbackPort();
  profile.Retries = 5;
  host.QueueProfileDialog(profile);
  // The window's events between attempts: the user presses Cancel.
  InstallBlockingHook([] {
    operations::CancelCommand();
    return false;
  });

  operations::ConnectCommand(ConnectCommandId);
  InstallBlockingHook();

  EXPECT_EQ(CountLogged(host, "Connection to 127.0.0.1 failed"), 1);
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_EQ(config::CurrentProfile().Retries, 5);
}

// A cancelled password prompt is the user's Cancel: no more attempts.
TEST_F(ConnectCommandTest, CancelledPasswordPromptEndsTheRetries) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required").ExpectClientClose();
  server.Start();
  config::SessionProfile profile = DialogProfile();
  profile.Password.clear();
  profile.Retries = 3;
  host.QueueProfileDialog(profile);
  host.QueueCancel();

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_TRUE(server.Verify());
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_EQ(server.ConnectionsAccepted(), 1);
  EXPECT_EQ(CountLogged(host, "logon failure, so quitting"), 1);
}

TEST_F(ConnectCommandTest, SuccessfulConnectSetsUpBothPanes) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("331 Password required");
  server.Expect("PASS secret").Reply("230 Logged in").Expect("CWD /pub").Reply("250 ok");
  server.Start();
  config::SessionProfile profile = DialogProfile();
  profile.InitialRemoteDir = "/pub";
  host.QueueProfileDialog(profile);
  testing::TemporaryDirectory sounds;
  sounds.WriteFile("connect.wav", "RIFF");
  config::Settings().Bell = 1;
  config::Settings().UseWave = 1;
  config::Settings().ConnectSound = sounds.FilePath("connect.wav").string();

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_TRUE(server.Verify());
  EXPECT_NE(TheSession().ControlSocket, -1);
  EXPECT_TRUE(TheSession().LoggedOn);
  EXPECT_EQ(config::CurrentProfile().Host, server.Address());
  EXPECT_EQ(LastControlText(ConnectCommandId), "&Close");
  EXPECT_EQ(LastControlText(LocalMaskBox), "*.c");
  EXPECT_EQ(LastControlText(RemoteMaskBox), "*.txt");
  EXPECT_THAT(hookCalls, ElementsAre("ClearListingCache", "ListLocalPane *.c", "RetrieveRemotePane *.txt"));
  EXPECT_EQ(host.CallsTo("UpdateControlStates").size(), 1u);
  EXPECT_EQ(host.CallsTo("RestoreCursor").size(), 1u);
  ASSERT_EQ(host.CallsTo("PostCommand").size(), 1u);
  EXPECT_EQ(host.CallsTo("PostCommand")[0].text, "8100");
  EXPECT_THAT(host.Sounds(), ElementsAre(config::Settings().ConnectSound));
}

TEST_F(ConnectCommandTest, OtherCommandIdLeavesTheRemotePaneAlone) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
  server.Start();
  host.QueueProfileDialog(DialogProfile());

  operations::ConnectCommand(7654);

  EXPECT_TRUE(TheSession().LoggedOn);
  EXPECT_THAT(hookCalls, ElementsAre("ClearListingCache", "ListLocalPane *.c"));
}

TEST_F(ConnectCommandTest, CancelledDialogConnectsNowhere) {
  server.Start();
  host.QueueProfileDialogCancel();
  config::Settings().Bell = 1;

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_EQ(server.ConnectionsAccepted(), 0);
  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_THAT(hookCalls, ElementsAre("ClearListingCache"));
  EXPECT_EQ(host.CallsTo("UpdateControlStates").size(), 1u);
  EXPECT_EQ(host.CallsTo("PostCommand").size(), 1u);
  EXPECT_EQ(host.Beeps(), 1);
}

TEST_F(ConnectCommandTest, BusyWorkerIgnoresTheCommand) {
  SetWorkerBusy(true);

  operations::ConnectCommand(ConnectCommandId);

  SetWorkerBusy(false);
  EXPECT_TRUE(host.CallsTo("RunSessionProfileDialog").empty());
  EXPECT_THAT(hookCalls, IsEmpty());
}

TEST_F(ConnectCommandTest, OrigDirGoesBackToTheStartDirectory) {
  WorkingDirectoryGuard restore;
  testing::TemporaryDirectory start;
  testing::TemporaryDirectory elsewhere;
  operations::StartDirectory() = start.Path().string();
  std::filesystem::current_path(elsewhere.Path());
  config::SessionProfile profile;
  profile.Host = "127.0.0.1";
  profile.Port = testing::RefusedLoopbackPort();
  profile.LocalDir = "OrigDir";
  host.QueueProfileDialog(profile);

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_EQ(std::filesystem::current_path(), start.Path());
}

TEST_F(ConnectCommandTest, LocalDirectoryIsEnteredBeforeConnecting) {
  WorkingDirectoryGuard restore;
  testing::TemporaryDirectory local;
  config::SessionProfile profile;
  profile.Host = "127.0.0.1";
  profile.Port = testing::RefusedLoopbackPort();
  profile.LocalDir = local.Path().string();
  host.QueueProfileDialog(profile);

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_EQ(std::filesystem::current_path(), local.Path());
}

TEST_F(ConnectCommandTest, ConnectWhileConnectedCloses) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
  server.Expect("QUIT").Reply("221 Goodbye");
  server.Start();
  host.QueueProfileDialog(DialogProfile());
  operations::ConnectCommand(ConnectCommandId);
  ASSERT_TRUE(TheSession().LoggedOn);
  TheSession().CanMkd = TheSession().CanRename = true;
  TheSession().UseCdup = false;
  hookCalls.clear();

  operations::ConnectCommand(ConnectCommandId);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna", "FEAT", "QUIT"));
  EXPECT_TRUE(server.WaitForClientClose(2s));
  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_TRUE(TheSession().TreeAbort);
  EXPECT_FALSE(TheSession().CanMkd || TheSession().CanRename);
  EXPECT_TRUE(TheSession().UseCdup);
  EXPECT_EQ(LastControlText(ConnectCommandId), "&Connect");
  EXPECT_EQ(host.CallsTo("SetWindowCaption").back().text, "KORVAL95 LE");
  EXPECT_THAT(hookCalls, ElementsAre("RefreshRemotePane", "ClearListingCache"));
  EXPECT_EQ(host.CallsTo("RunSessionProfileDialog").size(), 1u);  // no dialog for the close
}

TEST_F(ConnectCommandTest, CloseConnectionClosesTheDataSocketsToo) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
  server.ExpectPrefix("PORT ").AcceptPort().Expect("QUIT").Reply("221 Goodbye");
  server.Start();
  config::CurrentProfile() = testing::ProfileFor(server);
  TheSession().ControlSocket = Logon(config::CurrentProfile());
  ASSERT_NE(TheSession().ControlSocket, -1);
  TheSession().ListenSocket = OpenListener(TheSession().ControlSocket);
  ASSERT_NE(TheSession().ListenSocket, -1);

  EXPECT_FALSE(CloseConnection());

  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(TheSession().ListenSocket, -1);
  EXPECT_EQ(TheSession().ControlSocket, -1);
}

TEST_F(ConnectCommandTest, CloseWhileClosingDoesNothing) {
  server.Reply("220 Welcome").Expect("USER anna").Reply("230 Logged in");
  server.Start();
  config::CurrentProfile() = testing::ProfileFor(server);
  TheSession().ControlSocket = Logon(config::CurrentProfile());
  TheSession().Closing = true;

  EXPECT_TRUE(CloseConnection());

  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna", "FEAT"));
  EXPECT_NE(TheSession().ControlSocket, -1);
  TheSession().Closing = false;
}

}  // namespace
}  // namespace korval::engine
