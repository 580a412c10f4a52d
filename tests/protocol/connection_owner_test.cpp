// One owner of the control connection. While a selection worker owns it,
// every FTP Commands entry and a remote double click from the GUI thread is
// refused with "command in process, ignored" before any prompt and sends
// nothing, and a remote redisplay shows only what is cached. Typed listings
// go to a file of their own and are viewed, leaving the pane's cached
// listing alone; a directory change from the menu lists the pane again.

#include "operations/ftp_command_menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "connection_test_support.h"
#include "engine/host_type.h"
#include "engine/listing_file.h"
#include "engine/remote_dir.h"
#include "listing/listing_cache.h"
#include "listing/pane_list.h"
#include "listing/remote_listing.h"
#include "listing/selection.h"
#include "operations/file_operations.h"
#include "operations/main_commands.h"
#include "operations/tree_transfer.h"
#include "platform/proc.h"
#include "tests/support/pane_state.h"
#include "tests/support/recording_launcher.h"

namespace korval::operations {
namespace {

namespace fs = std::filesystem;
using engine::TheSession;
using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

constexpr const char* RootListing =
    "drwxr-xr-x   2 u g      0 Jan  1 10:00 sub\r\n"
    "-rw-r--r--   1 u g      5 Jan  1 10:00 a.txt\r\n";
constexpr const char* SubListing = "-rw-r--r--   1 u g      5 Jan  1 10:00 inner.txt\r\n";

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> PaneNames() {
  std::vector<std::string> names;
  for (const listing::PaneItem& item : listing::ReadAllEntries(listing::RemotePane())) names.push_back(item.Name);
  return names;
}

class ConnectionOwnerTest : public ::testing::Test {
 protected:
  ConnectionOwnerTest() {
    config::WriteConfigString("dolog", "0");
    config::WriteConfigString("VIEWER", "viewer");
  }
  ~ConnectionOwnerTest() override {
    ThreadsAvailable() = true;
    if (TheSession().ControlSocket != -1) engine::CloseConnection();
  }

  // Logs on and shows "/" in the remote pane, fetched (and cached) by LIST.
  void LogOnAndList() {
    server.UseDefaultReplies();
    ASSERT_NE(testing::StartAndLogOnToUnixHost(server, [](config::SessionProfile& profile) { profile.Passive = 1; }),
              -1);
    listing::RetrieveRemoteListing(listing::RetrievalLock::Take);
    ASSERT_THAT(PaneNames(), ElementsAre("..", "sub", "a.txt"));
  }
  std::size_t CommandsSent() const { return server.Transcript().size(); }

  testing::ConnectionStateGuard state;
  testing::ScriptedHost host;
  testing::ScopedHost installed{host};
  testing::PaneState panes;
  testing::ScriptedFtpServer server;
  testing::RecordingLauncher viewer;
};

TEST_F(ConnectionOwnerTest, WhileAWorkerOwnsTheConnectionTheGuiThreadSendsNothing) {
  testing::DataOptions trickle;
  trickle.chunkSize = 1024;
  trickle.delayBetweenChunks = std::chrono::milliseconds(20);
  server.ServeData("LIST", RootListing);
  server.ServeData("RETR a.txt", testing::DataSource::Pattern(64 << 20), trickle);
  LogOnAndList();
  ASSERT_TRUE(testing::SelectByName(listing::RemotePane(), {"a.txt"}));
  StartReceiveSelected(listing::RemotePane());
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  while (server.Transcript().back() != "RETR a.txt" && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(server.Transcript().back(), "RETR a.txt");
  const std::size_t sentBefore = CommandsSent();
  const std::size_t promptsBefore = host.Prompts().size();
  host.QueueAnswer("typed");  // would be taken by any prompt that opened

  for (int command : {FtpCwdCommand, FtpHelpCommand, FtpSystCommand, FtpSiteCommand, FtpListCommand, FtpMkdCommand,
                      FtpNlstCommand, FtpPwdCommand, FtpQuoteCommand, FtpRetrCommand, FtpRmdCommand, FtpStorCommand}) {
    host.Clear();
    host.QueueAnswer("typed");
    RunFtpCommand(command);
    EXPECT_TRUE(testing::Logged(host, "command in process, ignored")) << command;
    EXPECT_TRUE(host.Prompts().empty()) << command;
  }
  // A double click on a remote directory, a plain command, a transfer start.
  ASSERT_TRUE(testing::SelectByName(listing::RemotePane(), {"sub"}));
  host.Clear();
  EXPECT_TRUE(OpenEntry(PaneSide::Remote));
  EXPECT_TRUE(testing::Logged(host, "command in process, ignored"));
  EXPECT_EQ(engine::SendCommand(TheSession().ControlSocket, "NOOP"), 0);
  // Commands that only read work from what is at hand.
  listing::RemotePane().SetSortSetting(listing::SortByName);
  listing::RedisplayListing(listing::RemotePaneNumber);
  EXPECT_THAT(PaneNames(), ElementsAre("..", "sub", "a.txt"));
  EXPECT_EQ(CommandsSent(), sentBefore);
  EXPECT_EQ(host.Prompts().size(), promptsBefore);

  CancelCommand();
  WaitForSelectionWorker();
  // The connection is the GUI thread's again.
  EXPECT_EQ(engine::SendCommand(TheSession().ControlSocket, "NOOP"), 2);
}

struct TypedListing {
  const char* name;
  int commandId;
  const char* typed;  // the QUOTE text, or nullptr
  const char* sent;
};

class TypedListingTest : public ConnectionOwnerTest, public ::testing::WithParamInterface<TypedListing> {};

TEST_P(TypedListingTest, GoesToAFileOfItsOwnAndIsViewed) {
  server.Expect("LIST").Transfer(RootListing);
  server.Expect(GetParam().sent).Transfer("typed output\r\n");
  LogOnAndList();
  const std::string paneFile = engine::ListingFile();
  const std::string cached = ReadWhole(paneFile);
  if (GetParam().typed) host.QueueAnswer(GetParam().typed);
  RunFtpCommand(GetParam().commandId);

  EXPECT_EQ(server.Transcript().back(), GetParam().sent);
  ASSERT_EQ(viewer.Started().size(), 1u);
  const std::vector<std::string> started = viewer.Started()[0];
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0], "viewer");
  EXPECT_NE(started[1], paneFile);
  EXPECT_EQ(fs::path(started[1]).filename().string().substr(0, 3), "DSP");
  EXPECT_EQ(ReadWhole(started[1]), "typed output\n");
  // The pane's listing and its cached file are as they were.
  EXPECT_EQ(engine::ListingFile(), paneFile);
  EXPECT_EQ(ReadWhole(paneFile), cached);
  listing::RedisplayListing(listing::RemotePaneNumber);
  EXPECT_THAT(PaneNames(), ElementsAre("..", "sub", "a.txt"));
}

INSTANTIATE_TEST_SUITE_P(Commands, TypedListingTest,
                         ::testing::Values(TypedListing{"List", FtpListCommand, nullptr, "LIST"},
                                           TypedListing{"Nlst", FtpNlstCommand, nullptr, "NLST"},
                                           TypedListing{"QuotedList", FtpQuoteCommand, "LIST -la", "LIST -la"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DirectoryChange {
  const char* name;
  int commandId;
  const char* typed;
  const char* sent;
  bool accepted;
};

class DirectoryChangeTest : public ConnectionOwnerTest, public ::testing::WithParamInterface<DirectoryChange> {};

TEST_P(DirectoryChangeTest, AnAcceptedChangeListsThePaneAgain) {
  const DirectoryChange& change = GetParam();
  server.Expect("PWD").Reply("257 \"/\"");
  server.Expect("LIST").Transfer(RootListing);
  server.Expect(change.sent).Reply(change.accepted ? "250 Directory changed." : "550 No such directory.");
  if (change.accepted) {
    server.Expect("PWD").Reply("257 \"/sub\"");
    server.Expect("LIST").Transfer(SubListing);
  }
  LogOnAndList();
  host.QueueAnswer(change.typed);
  RunFtpCommand(change.commandId);

  EXPECT_TRUE(server.Verify());
  if (change.accepted) {
    EXPECT_EQ(engine::RemoteDir(), "/sub");
    EXPECT_THAT(PaneNames(), ElementsAre("..", "inner.txt"));
  } else {
    EXPECT_EQ(engine::RemoteDir(), "/");
    EXPECT_THAT(PaneNames(), ElementsAre("..", "sub", "a.txt"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DirectoryChangeTest,
    ::testing::Values(DirectoryChange{"Cwd", FtpCwdCommand, "sub", "CWD sub", true},
                      DirectoryChange{"QuotedCwd", FtpQuoteCommand, "CWD sub", "CWD sub", true},
                      DirectoryChange{"QuotedXcwd", FtpQuoteCommand, "xcwd sub", "xcwd sub", true},
                      DirectoryChange{"QuotedCdup", FtpQuoteCommand, "CDUP", "CDUP", true},
                      DirectoryChange{"Refused", FtpCwdCommand, "nowhere", "CWD nowhere", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korval::operations
