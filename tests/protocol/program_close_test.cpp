// The main window's close while a selection worker runs, headless: the test
// thread is the GUI thread, and the host answers a worker's prompt only there,
// as a window does. The worker is stopped and joined before QUIT goes out, a
// prompt it waits for ends as Cancel (whether the host closes it when told
// the worker is stopping, or answers it from the GUI thread's events), it
// asks nothing more, and the close ends well within a second for a user.
// A close that arrives while a command of the GUI thread waits ends that
// command and the connection too.

#include "operations/main_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "connection_test_support.h"
#include "engine/remote_dir.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"
#include "listing/remote_listing.h"
#include "operations/tree_transfer.h"
#include "platform/net.h"
#include "tests/support/pane_state.h"

namespace korval::operations {
namespace {

using engine::TheSession;
using testing::HostCall;
using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

constexpr auto CloseAllowance = std::chrono::seconds(3);

std::string Dir(std::string_view name) {
  return "drwxr-xr-x   2 u g      0 Jan  1 10:00 " + std::string(name) + "\r\n";
}
std::string File(std::string_view name, std::size_t size) {
  return "-rw-r--r--   1 u g " + std::to_string(size) + " Jan  1 10:00 " + std::string(name) + "\r\n";
}

// How a window ends the prompt of a worker being stopped.
enum class PromptEnd {
  ClosedByWorkerStopping,  // the open dialog is rejected when the host is told
  AnsweredByTheGuiEvents,  // the GUI thread's events answer it with Cancel
};

// Prompts asked on another thread wait until the GUI thread (the one that
// made the host) ends them; prompts of the GUI thread are answered from the
// queue. A prompt left waiting for 10 s counts as a deadlock.
class GuiThreadHost : public testing::ScriptedHost {
 public:
  explicit GuiThreadHost(PromptEnd end) : end_(end), gui_(std::this_thread::get_id()) {}

  std::optional<std::string> AskText(std::string_view prompt, std::string_view initial,
                                     std::size_t capacity) override {
    if (std::this_thread::get_id() == gui_) return ScriptedHost::AskText(prompt, initial, capacity);
    Record("AskText", prompt, initial);
    WaitAsWorker();
    return std::nullopt;
  }
  bool AskYesNo(std::string_view question, std::string_view caption) override {
    if (std::this_thread::get_id() == gui_) return ScriptedHost::AskYesNo(question, caption);
    Record("AskYesNo", question, caption);
    WaitAsWorker();
    return false;
  }
  void WorkerStopping(platform::BackgroundJob job) override {
    ScriptedHost::WorkerStopping(job);
    std::lock_guard lock(gate_);
    stopping_ = true;
    if (end_ == PromptEnd::ClosedByWorkerStopping) EndPending();
  }
  void WorkerFinished(platform::BackgroundJob job) override {
    if (onFinished_) onFinished_();
    ScriptedHost::WorkerFinished(job);
  }

  // The GUI thread's events: a stopped worker's prompt is answered Cancel.
  bool RunEvents() {
    std::lock_guard lock(gate_);
    if (end_ != PromptEnd::AnsweredByTheGuiEvents || !stopping_ || !pending_) return false;
    EndPending();
    return true;
  }
  bool WaitForPendingPrompt() {
    std::unique_lock lock(gate_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [this] { return pending_; });
  }
  int Deadlocks() const {
    std::lock_guard lock(gate_);
    return deadlocks_;
  }
  void OnFinished(std::function<void()> check) { onFinished_ = std::move(check); }

 private:
  void WaitAsWorker() {
    std::unique_lock lock(gate_);
    pending_ = true;
    changed_.notify_all();
    if (!changed_.wait_for(lock, std::chrono::seconds(10), [this] { return !pending_; })) {
      ++deadlocks_;
      pending_ = false;
    }
  }
  void EndPending() {
    pending_ = false;
    changed_.notify_all();
  }

  const PromptEnd end_;
  const std::thread::id gui_;
  mutable std::mutex gate_;
  std::condition_variable changed_;
  bool pending_ = false;
  bool stopping_ = false;
  int deadlocks_ = 0;
  std::function<void()> onFinished_;
};

struct CloseCase {
  const char* name;
  PromptEnd end;
  std::vector<std::string> selected;  // remote entries; none: the name is asked for
  bool modifierHeld;                  // the destination names are asked for
  const char* workerPrompt;           // the host function the worker waits in
};

void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.name; }

class ProgramCloseTest : public ::testing::TestWithParam<CloseCase> {
 protected:
  ProgramCloseTest() : host(GetParam().end) {
    engine::SetReplyReadTimeoutMs(20000);
    config::WriteConfigString("dolog", "0");
    ThreadsAvailable() = true;
    platform::InstallBlockingHook([this] { return host.RunEvents(); });
  }
  ~ProgramCloseTest() override {
    platform::InstallBlockingHook(nullptr);
    engine::CloseRetiredSockets();
  }

  void LogOnShowing(std::string_view listingText) {
    server.UseDefaultReplies();
    ASSERT_NE(testing::StartAndLogOnToUnixHost(server,
                                               [](config::SessionProfile& profile) {
                                                 profile.Passive = 1;
                                                 profile.Timeout = 600;
                                               }),
              -1);
    engine::SetRemoteDir("/");
    const config::AsciiExtensionList ascii = config::AsciiExtensionList::Missing();
    listing::ParseListingText(listingText, listing::RemotePane(), listing::RemoteListingOptions(&ascii));
  }
  std::vector<std::string> JobCalls() const {
    std::vector<std::string> calls;
    for (const HostCall& call : host.Calls())
      if (call.function.rfind("Worker", 0) == 0) calls.push_back(call.function);
    return calls;
  }

  testing::ConnectionStateGuard state;
  GuiThreadHost host;
  testing::ScopedHost installed{host};
  testing::PaneState panes;
  testing::ScriptedFtpServer server;
};

TEST_P(ProgramCloseTest, AWorkerWaitingForAPromptIsStoppedAndJoinedBeforeQuit) {
  const CloseCase& c = GetParam();
  server.ServeData("RETR a.txt", "a").ServeData("RETR b.txt", "b");
  LogOnShowing(Dir("d") + File("a.txt", 1) + File("b.txt", 1));
  bool quitBeforeTheWorkerEnded = false;
  host.OnFinished([&] {
    for (const std::string& command : server.Transcript())
      if (command == "QUIT") quitBeforeTheWorkerEnded = true;
  });
  listing::RemotePane().ClearSelection();
  for (std::size_t i = 0; i < listing::RemotePane().Count(); ++i)
    for (const std::string& name : c.selected)
      if (listing::RemotePane().EntryAt(i)->Name() == name) listing::RemotePane().SetSelected(i, true);
  ModifierHeld() = c.modifierHeld;
  StartReceiveSelected(listing::RemotePane());
  ASSERT_TRUE(host.WaitForPendingPrompt());

  const Clock::time_point started = Clock::now();
  StopJobsAndDisconnect();
  EXPECT_LT(Clock::now() - started, CloseAllowance);

  EXPECT_EQ(host.Deadlocks(), 0);
  EXPECT_FALSE(engine::IsWorkerBusy());
  EXPECT_FALSE(engine::ConnectionOwned());
  // The one prompt the worker waited in, then nothing more was asked or
  // transferred; the worker had ended and let go before QUIT went out.
  EXPECT_EQ(host.CallsTo("AskText").size() + host.CallsTo("AskYesNo").size(), 1u);
  EXPECT_EQ(host.CallsTo(c.workerPrompt).size(), 1u);
  EXPECT_THAT(JobCalls(), ElementsAre("WorkerStopping", "WorkerFinished"));
  EXPECT_FALSE(quitBeforeTheWorkerEnded);
  const std::vector<std::string> transcript = server.Transcript();
  ASSERT_FALSE(transcript.empty());
  EXPECT_EQ(transcript.back(), "QUIT");
  for (const std::string& command : transcript) EXPECT_NE(command.rfind("RETR", 0), 0u) << command;
  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_TRUE(testing::Logged(host, "Aborting thread."));
  // A second close finds nothing left to stop.
  StopJobsAndDisconnect();
  EXPECT_EQ(JobCalls().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, ProgramCloseTest,
    ::testing::Values(
        CloseCase{"TypedNameClosedByTheStop", PromptEnd::ClosedByWorkerStopping, {}, false, "AskText"},
        CloseCase{"TypedNameAnsweredByTheGuiEvents", PromptEnd::AnsweredByTheGuiEvents, {}, false, "AskText"},
        CloseCase{"DirectoryQuestionClosedByTheStop", PromptEnd::ClosedByWorkerStopping, {"d"}, false, "AskYesNo"},
        CloseCase{"DirectoryQuestionAnsweredByTheGuiEvents", PromptEnd::AnsweredByTheGuiEvents, {"d"}, false,
                  "AskYesNo"},
        CloseCase{"DestinationNameClosedByTheStop", PromptEnd::ClosedByWorkerStopping, {"a.txt", "b.txt"}, true,
                  "AskText"},
        CloseCase{"DestinationNameAnsweredByTheGuiEvents", PromptEnd::AnsweredByTheGuiEvents, {"a.txt", "b.txt"},
                  true, "AskText"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramCloseWhileWaiting, ACloseThroughAWaitingCommandsHookEndsItAndTheConnection) {
  testing::ConnectionStateGuard state;
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  testing::PaneState panes;
  testing::ScriptedFtpServer server;
  engine::SetReplyReadTimeoutMs(20000);
  // HELP is never answered; QUIT is.
  server.Expect("HELP").Expect("QUIT").Reply("221 Goodbye.");
  server.UseDefaultReplies();
  ASSERT_NE(testing::StartAndLogOnToUnixHost(server), -1);
  std::optional<Clock::time_point> closedAt;
  const Clock::time_point due = Clock::now() + std::chrono::milliseconds(300);
  platform::InstallBlockingHook([&] {
    if (closedAt || Clock::now() < due) return false;
    closedAt = Clock::now();
    StopJobsAndDisconnect();
    return true;
  });
  const int result = engine::SendCommand(TheSession().ControlSocket, "HELP");
  platform::InstallBlockingHook(nullptr);

  ASSERT_TRUE(closedAt.has_value());
  EXPECT_LT(Clock::now() - *closedAt, CloseAllowance);
  EXPECT_EQ(result, 4);
  EXPECT_TRUE(server.Verify());
  EXPECT_TRUE(server.WaitForClientClose());
  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_FALSE(TheSession().LoggedOn);
  EXPECT_FALSE(TheSession().Closing);
  engine::CloseRetiredSockets();
}

}  // namespace
}  // namespace korval::operations
