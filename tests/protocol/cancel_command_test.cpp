// Cancel and the busy abort against the scripted server. Cancel ends a
// receive on the GUI thread, an active-mode wait for the server's data
// connection and a tree walk on the worker, each well within a second for a
// user (the tests allow 3 s while TIMEOUT is ten minutes, so nothing ends by
// a time-out); afterwards the next command gets its own reply. Exit and
// Close pressed while a command waits for its reply send QUIT and end the
// connection from inside that wait.

#include "operations/main_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "config/config_file.h"
#include "connection_test_support.h"
#include "engine/file_transfer.h"
#include "engine/host_type.h"
#include "engine/remote_dir.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"
#include "listing/remote_listing.h"
#include "operations/tree_transfer.h"
#include "platform/net.h"
#include "tests/support/pane_state.h"

namespace korval::operations {
namespace {

namespace fs = std::filesystem;
using engine::TheSession;
using testing::DataOptions;
using testing::DataSource;
using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

constexpr auto CancelAllowance = std::chrono::seconds(3);

std::string Dir(std::string_view name) {
  return "drwxr-xr-x   2 u g      0 Jan  1 10:00 " + std::string(name) + "\r\n";
}
std::string File(std::string_view name, std::size_t size) {
  return "-rw-r--r--   1 u g " + std::to_string(size) + " Jan  1 10:00 " + std::string(name) + "\r\n";
}

// A data connection that trickles: 1 KiB every 20 ms, far longer than any test.
DataOptions Trickle() {
  DataOptions options;
  options.chunkSize = 1024;
  options.delayBetweenChunks = std::chrono::milliseconds(20);
  return options;
}

// The GUI thread's hook: runs `click` once, `after` the hook was armed, as a
// click the window handles while a command waits.
class ClickDuringWait {
 public:
  ClickDuringWait(std::chrono::milliseconds after, std::function<void()> click) {
    const Clock::time_point due = Clock::now() + after;
    platform::InstallBlockingHook([this, due, click = std::move(click)] {
      if (clickedAt_ || Clock::now() < due) return false;
      clickedAt_ = Clock::now();
      click();
      return true;
    });
  }
  ~ClickDuringWait() { platform::InstallBlockingHook(nullptr); }
  bool Clicked() const { return clickedAt_.has_value(); }
  Clock::duration SinceClick() const { return clickedAt_ ? Clock::now() - *clickedAt_ : Clock::duration::max(); }

 private:
  std::optional<Clock::time_point> clickedAt_;
};

class CancelCommandTest : public ::testing::Test {
 protected:
  CancelCommandTest() {
    // Waits as long as a user's: only Cancel can end them in time.
    engine::SetReplyReadTimeoutMs(20000);
    engine::SetTimeoutTickMs(5000);
    config::WriteConfigString("dolog", "0");
    ThreadsAvailable() = true;
  }
  ~CancelCommandTest() override {
    engine::CloseRetiredSockets();
    ThreadsAvailable() = true;
  }

  void LogOn(bool passive = true) {
    server.UseDefaultReplies();
    ASSERT_NE(testing::StartAndLogOnToUnixHost(server,
                                               [passive](config::SessionProfile& profile) {
                                                 profile.Passive = passive ? 1 : 0;
                                                 profile.Timeout = 600;
                                               }),
              -1);
  }
  int Socket() const { return TheSession().ControlSocket; }
  // The next command is answered by its own reply.
  void ExpectTheDialogueInStep() {
    EXPECT_EQ(engine::SendCommand(Socket(), "NOOP"), 2);
    EXPECT_EQ(TheSession().LastReplyCode, 200);
  }
  std::vector<std::string> Sent(std::string_view verb) {
    std::vector<std::string> picked;
    for (const std::string& command : server.Transcript())
      if (command.compare(0, verb.size(), verb) == 0) picked.push_back(command);
    return picked;
  }

  testing::ConnectionStateGuard state;
  testing::ScriptedHost host;
  testing::ScopedHost installed{host};
  testing::PaneState panes;
  testing::ScriptedFtpServer server;
};

TEST_F(CancelCommandTest, CancelEndsAReceiveOnTheGuiThread) {
  server.ServeData("RETR big.bin", DataSource::Pattern(64 << 20), Trickle());
  LogOn();
  const std::string path = panes.Local().FilePath("big.bin").string();
  ClickDuringWait click(std::chrono::milliseconds(300), CancelCommand);
  const int result = engine::ReceiveFile(Socket(), "RETR big.bin", path, 'I');

  ASSERT_TRUE(click.Clicked());
  EXPECT_LT(click.SinceClick(), CancelAllowance);
  EXPECT_NE(result, 2);
  EXPECT_EQ(engine::TransferResult(), engine::TransferIncomplete);
  EXPECT_EQ(TheSession().DataSocket, -1);
  ExpectTheDialogueInStep();
}

TEST_F(CancelCommandTest, CancelEndsAnActiveModeWaitForTheDataConnection) {
  DataOptions never;
  never.neverConnect = true;
  server.ServeData("RETR late.bin", "never sent", never);
  LogOn(false);
  const std::string path = panes.Local().FilePath("late.bin").string();
  ClickDuringWait click(std::chrono::milliseconds(300), CancelCommand);
  const int result = engine::ReceiveFile(Socket(), "RETR late.bin", path, 'I');

  ASSERT_TRUE(click.Clicked());
  EXPECT_LT(click.SinceClick(), CancelAllowance);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(TheSession().ListenSocket, -1);
  EXPECT_TRUE(testing::Logged(host, "accept: Blocking call cancelled"));
  EXPECT_FALSE(testing::Logged(host, "Timer cancelled blocking call"));
  EXPECT_THAT(Sent("PORT"), ::testing::SizeIs(1));
  ExpectTheDialogueInStep();
}

TEST_F(CancelCommandTest, CancelEndsATreeWalkWhichReturnsToItsStartDirectories) {
  server.Expect("PWD").Reply("257 \"/top\" is the current directory.");
  server.ServeData("LIST", File("big.bin", 64 << 20) + File("after.txt", 1));
  server.ServeData("RETR big.bin", DataSource::Pattern(64 << 20), Trickle());
  server.ServeData("RETR after.txt", "a");
  LogOn();
  engine::SetRemoteDir("/");
  listing::RemotePane().Clear();
  const config::AsciiExtensionList ascii = config::AsciiExtensionList::Missing();
  listing::ParseListingText(Dir("top"), listing::RemotePane(), listing::RemoteListingOptions(&ascii));
  ASSERT_TRUE(testing::SelectByName(listing::RemotePane(), {"top"}));
  host.QueueYesNo(true);
  StartReceiveSelected(listing::RemotePane());
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  while (!testing::LoggedContaining(host, "receiving big.bin") && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(engine::IsWorkerBusy());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  const Clock::time_point pressed = Clock::now();
  CancelCommand();
  WaitForSelectionWorker();
  EXPECT_LT(Clock::now() - pressed, CancelAllowance);
  EXPECT_FALSE(engine::IsWorkerBusy());
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR big.bin"));
  EXPECT_THAT(Sent("CWD"), ElementsAre("CWD top", "CWD /"));
  EXPECT_EQ(fs::current_path(), panes.Local().Path());
  EXPECT_EQ(engine::RemoteDir(), "/");
  ExpectTheDialogueInStep();
}

TEST_F(CancelCommandTest, CancelWhileIdleLeavesTheNextCommandAlone) {
  LogOn();
  CancelCommand();
  ExpectTheDialogueInStep();
}

struct BusyAbortCase {
  const char* name;
  int commandId;
  bool closesTheWindow;
};

class BusyAbortTest : public CancelCommandTest, public ::testing::WithParamInterface<BusyAbortCase> {};

TEST_P(BusyAbortTest, PressedWhileAReplyIsPendingSendsQuitAndEndsTheConnection) {
  // HELP is never answered; QUIT is.
  server.Expect("HELP").Expect("QUIT").Reply("221 Goodbye.");
  LogOn();
  listing::RemotePane().Add(listing::ListingEntry{});
  EXPECT_FALSE(RunsBusyAbort(GetParam().commandId)) << "nothing waits yet";
  bool ranAbort = false;
  ClickDuringWait click(std::chrono::milliseconds(300), [&] {
    ranAbort = RunsBusyAbort(GetParam().commandId);
    if (ranAbort) BusyAbort(GetParam().commandId);
  });
  const int result = engine::SendCommand(Socket(), "HELP");

  ASSERT_TRUE(click.Clicked());
  EXPECT_TRUE(ranAbort);
  EXPECT_LT(click.SinceClick(), CancelAllowance);
  EXPECT_EQ(result, 4);
  EXPECT_TRUE(server.Verify());
  EXPECT_TRUE(server.WaitForClientClose());
  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_FALSE(TheSession().Closing);
  EXPECT_EQ(host.CallsTo("CloseMainWindow").size(), GetParam().closesTheWindow ? 1u : 0u);
  EXPECT_EQ(host.CallsTo("SetControlText").back(), (testing::HostCall{"SetControlText", "&Connect", "9000"}));
  // Close empties the remote pane; Exit leaves it to the window's end.
  EXPECT_EQ(listing::RemotePane().Count(), GetParam().closesTheWindow ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Commands, BusyAbortTest,
                         ::testing::Values(BusyAbortCase{"ExitButton", ExitButtonCommand, true},
                                           BusyAbortCase{"ExitMenu", ExitMenuCommand, true},
                                           BusyAbortCase{"CloseMenu", CloseMenuCommand, false},
                                           BusyAbortCase{"CloseButton", ConnectButtonCommand, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korval::operations
