// Directory-tree receives and sends against the scripted server: names a
// hostile server lists never lead outside the local start directory, a link
// the server will not send is walked as a directory, and walks end: at 64
// levels, and at a directory that is already on the walk's path.

#include "operations/tree_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "config/ascii_extensions.h"
#include "config/config_file.h"
#include "config/transfer_switches.h"
#include "connection_test_support.h"
#include "engine/host_type.h"
#include "engine/last_entry.h"
#include "engine/listing_file.h"
#include "engine/remote_dir.h"
#include "engine/transfer_status.h"
#include "listing/directory_box.h"
#include "listing/listing_cache.h"
#include "listing/listing_entry.h"
#include "listing/listing_parser.h"
#include "listing/local_listing.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "listing/remote_listing.h"
#include "operations/file_operations.h"
#include "tests/support/pane_state.h"

namespace korval::engine {
namespace {

namespace fs = std::filesystem;
using listing::RemotePane;
using listing::RetrievalLock;
using testing::ConnectionStateGuard;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using testing::SelectByName;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Dir(std::string_view name) {
  return "drwxr-xr-x   2 u g      0 Jan  1 10:00 " + std::string(name) + "\r\n";
}
std::string File(std::string_view name, std::size_t size) {
  return "-rw-r--r--   1 u g " + std::to_string(size) + " Jan  1 10:00 " + std::string(name) + "\r\n";
}
std::string Link(std::string_view name, std::string_view target) {
  return "lrwxrwxrwx   1 u g      3 Jan  1 10:00 " + std::string(name) + " -> " + std::string(target) + "\r\n";
}
std::string Pwd(std::string_view directory) {
  return "257 \"" + std::string(directory) + "\" is the current directory.";
}

// Every name below `root`, relative, with "/" after directories.
std::set<std::string> TreeOf(const fs::path& root) {
  std::set<std::string> names;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::string name = fs::relative(it->path(), root).string();
    if (it->is_symlink()) name += "@";
    else if (it->is_directory()) name += "/";
    names.insert(name);
  }
  return names;
}

// Notes HASH, BELL and PROMPT as each file's receive begins: as the
// transfer sees them, and in the shared settings. Can hold the worker at a
// log line while the test thread acts as the GUI thread would.
class SettingsWatchingHost : public ScriptedHost {
 public:
  void AppendToLogWindow(std::string_view line) override {
    ScriptedHost::AppendToLogWindow(line);
    if (line.rfind("receiving ", 0) == 0) {
      const config::TransferSwitches own = config::CurrentTransferSwitches();
      const config::ProgramSettings& settings = config::Settings();
      std::lock_guard lock(mutex_);
      seen_.push_back(std::string(line.substr(10, line.find(' ', 10) - 10)) + " " +
                      std::to_string(own.ShowTransferDialog) + std::to_string(own.Bell) +
                      std::to_string(own.PromptForNames) + " " + std::to_string(settings.ShowTransferDialog) +
                      std::to_string(settings.Bell) + std::to_string(settings.PromptForNames));
    }
    std::unique_lock gate(gateMutex_);
    if (pauseAt_.empty() || std::this_thread::get_id() == armedBy_ || line.rfind(pauseAt_, 0) != 0) return;
    pauseAt_.clear();
    paused_ = true;
    gateChanged_.notify_all();
    gateChanged_.wait_for(gate, std::chrono::seconds(20), [this] { return released_; });
  }
  // Another thread that logs a line beginning with `prefix` waits there
  // until Release().
  void PauseAt(std::string prefix) {
    std::lock_guard gate(gateMutex_);
    pauseAt_ = std::move(prefix);
    armedBy_ = std::this_thread::get_id();
  }
  bool WaitUntilPaused() {
    std::unique_lock gate(gateMutex_);
    return gateChanged_.wait_for(gate, std::chrono::seconds(10), [this] { return paused_; });
  }
  void Release() {
    std::lock_guard gate(gateMutex_);
    released_ = true;
    gateChanged_.notify_all();
  }
  std::vector<std::string> Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  // Whether the worker had let go of the connection and lowered WorkerBusy
  // when it said it finished (so the window may enable its controls).
  void WorkerFinished(platform::BackgroundJob job) override {
    {
      std::lock_guard lock(mutex_);
      finishedFree_.push_back(!IsWorkerBusy() && !ConnectionOwned());
    }
    ScriptedHost::WorkerFinished(job);
  }
  std::vector<bool> FinishedFree() const {
    std::lock_guard lock(mutex_);
    return finishedFree_;
  }

 private:
  std::vector<std::string> seen_;
  std::vector<bool> finishedFree_;
  std::mutex gateMutex_;
  std::condition_variable gateChanged_;
  std::string pauseAt_;
  std::thread::id armedBy_;
  bool paused_ = false;
  bool released_ = false;
};

class TreeTransferTest : public ::testing::Test {
 protected:
  TreeTransferTest() {
    config::Settings().Verbose = 1;
    config::WriteConfigString("dolog", "0");
    operations::ThreadsAvailable() = false;  // the worker runs here, in the test's thread
  }
  ~TreeTransferTest() override {
    if (TheSession().ControlSocket != -1) CloseConnection();
  }

  ConnectionStateGuard state;
  SettingsWatchingHost host;
  ScopedHost installed{host};
  testing::PaneState panes;
  ScriptedFtpServer server;

  // Logs on (the script and table already built) and shows "/" with
  // `rootListing` in the remote pane, read by the first scripted PWD and
  // LIST.
  void LogOn() {
    server.UseDefaultReplies();
    ASSERT_NE(testing::StartAndLogOnToUnixHost(server, [](config::SessionProfile& profile) { profile.Passive = 1; }),
              -1);
  }
  // The remote pane shows "/" with these entries, as a listing would have.
  void ShowRoot(std::string_view listingText) {
    engine::SetRemoteDir("/");
    listing::RemotePane().Clear();
    const AsciiExtensionListHolder ascii;
    listing::ParseListingText(listingText, listing::RemotePane(), listing::RemoteListingOptions(&ascii.list));
  }
  struct AsciiExtensionListHolder {
    config::AsciiExtensionList list = config::AsciiExtensionList::Missing();
  };

  // Receives the selection with the directory question answered Yes.
  void ReceiveSelected(std::initializer_list<std::string_view> names) {
    ASSERT_TRUE(SelectByName(RemotePane(), names));
    host.QueueYesNo(true);
    operations::StartReceiveSelected(RemotePane());
    EXPECT_FALSE(IsWorkerBusy());
  }

  std::vector<std::string> ErrorLines() {
    std::vector<std::string> lines;
    for (const std::string& line : host.LogWindowLines())
      if (line.rfind("[E]", 0) == 0) lines.push_back(line);
    return lines;
  }
  std::vector<std::string> Sent(std::string_view verb) {
    std::vector<std::string> picked;
    for (const std::string& command : server.Transcript())
      if (command.compare(0, verb.size(), verb) == 0) picked.push_back(command);
    return picked;
  }
};

TEST_F(TreeTransferTest, NamesFromAHostileListingNeverLeaveTheStartDirectory) {
  const fs::path start = panes.Local().FilePath("start");
  ASSERT_TRUE(panes.Local().CreateDirectory("start"));
  fs::current_path(start);
  const std::string absolute = panes.Local().FilePath("absolute").string();
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("LIST").Transfer(Dir("..") + Dir("../evil") + Dir(absolute) + Dir("a/b") + Dir("a\\b") +
                                 File("..", 3) + File("../up.txt", 3) + File(absolute + ".txt", 3) +
                                 File("c\\d.txt", 3) + File("good.txt", 4) + Dir("fine"));
  server.Expect("PWD").Reply(Pwd("/top/fine"));
  server.Expect("LIST").Transfer(File("inner.txt", 2));
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("PWD").Reply(Pwd("/"));
  server.ServeData("RETR good.txt", "good").ServeData("RETR inner.txt", "in");
  LogOn();
  ShowRoot(Dir("top"));
  ReceiveSelected({"top"});

  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(TreeOf(panes.Local().Path()),
            (std::set<std::string>{"start/", "start/top/", "start/top/good.txt", "start/top/fine/",
                                   "start/top/fine/inner.txt"}));
  EXPECT_FALSE(fs::exists(absolute));
  EXPECT_FALSE(fs::exists(absolute + ".txt"));
  EXPECT_EQ(panes.Local().ReadFile("start/top/good.txt"), "good");
  // Each refused name is named once; nothing was asked of the server for them.
  const std::vector<std::string> errors = ErrorLines();
  for (const std::string& name : {std::string("../evil"), absolute, std::string("a/b"), std::string("a\\b"),
                                  std::string("../up.txt"), absolute + ".txt", std::string("c\\d.txt")})
    EXPECT_THAT(errors, ::testing::Contains("[E] unsafe name " + name + " skipped")) << name;
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR inner.txt", "RETR good.txt"));
  EXPECT_THAT(Sent("CWD"), ElementsAre("CWD top", "CWD fine", "CWD /top", "CWD /"));
  EXPECT_EQ(fs::current_path(), start);
  EXPECT_EQ(engine::RemoteDir(), "/");
  // One line counts them all.
  EXPECT_TRUE(testing::Logged(host, std::to_string(errors.size()) + " entries skipped"));
}

TEST_F(TreeTransferTest, ALinkTheServerWillNotSendIsWalkedAsADirectory) {
  // At the selection and inside the tree; the local copies are directories.
  server.Expect("PWD").Reply(Pwd("/target"));
  server.Expect("LIST").Transfer(File("one.txt", 3) + Link("deeper", "/other"));
  server.Expect("PWD").Reply(Pwd("/other"));
  server.Expect("LIST").Transfer(File("two.txt", 3));
  server.Expect("PWD").Reply(Pwd("/target"));
  server.Expect("PWD").Reply(Pwd("/"));
  server.ServeData("RETR one.txt", "one").ServeData("RETR two.txt", "two");
  config::WriteConfigString("dolog", "1");
  config::Settings().ShowTransferDialog = 1;
  config::Settings().Bell = 1;
  LogOn();
  ShowRoot(Link("lnk", "target"));
  ReceiveSelected({"lnk"});

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR lnk", "RETR deeper", "RETR two.txt", "RETR one.txt"));
  // The transfer log lies beside the configuration file, out of the tree.
  EXPECT_EQ(TreeOf(panes.Local().Path()),
            (std::set<std::string>{"lnk/", "lnk/one.txt", "lnk/deeper/", "lnk/deeper/two.txt"}));
  std::ifstream logFile(engine::TransferLogPath("KORVAL.LOG"));
  const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  EXPECT_EQ(host.CallsTo("AskYesNo").size(), 1u);
  EXPECT_TRUE(testing::Logged(host, "[S] changed back to orig rdir /"));
  // HASH, BELL and PROMPT were off for the files inside the tree only, and
  // only in the worker's own switches.
  EXPECT_THAT(host.Seen(), ElementsAre("lnk 110 110", "deeper 000 110", "two.txt 000 110", "one.txt 000 110"));
  EXPECT_EQ(config::Settings().ShowTransferDialog, 1);
  EXPECT_EQ(config::Settings().Bell, 1);
  EXPECT_THAT(ErrorLines(), IsEmpty());
}

TEST_F(TreeTransferTest, AWalkDescendsAtMost64Levels) {
  // Every directory holds a directory "d", one level deeper each time.
  std::string path;
  std::vector<std::string> levels;
  for (unsigned level = 1; level <= operations::TreeDepthLimit; ++level) {
    path += "/d";
    levels.push_back(path);
    server.Expect("PWD").Reply(Pwd(path));
  }
  for (unsigned level = operations::TreeDepthLimit - 1; level >= 1; --level)
    server.Expect("PWD").Reply(Pwd(levels[level - 1]));
  server.Expect("PWD").Reply(Pwd("/"));
  server.ServeData("LIST", Dir("d"));
  LogOn();
  ShowRoot(Dir("d"));
  ReceiveSelected({"d"});

  EXPECT_TRUE(server.Verify(std::chrono::seconds(20)));
  EXPECT_THAT(ErrorLines(), ElementsAre("[E] d not entered: deeper than 64 levels"));
  fs::path deepest = panes.Local().Path();
  unsigned depth = 0;
  while (fs::is_directory(deepest / "d")) {
    deepest /= "d";
    ++depth;
  }
  EXPECT_EQ(depth, operations::TreeDepthLimit);
  EXPECT_EQ(fs::current_path(), panes.Local().Path());
  EXPECT_EQ(Sent("CWD").size(), 2 * operations::TreeDepthLimit);
  EXPECT_EQ(engine::RemoteDir(), "/");
  EXPECT_TRUE(testing::Logged(host, "1 entries skipped"));
}

TEST_F(TreeTransferTest, ADirectoryAlreadyOnThePathIsNotEnteredAgain) {
  // A server that answers every CWD with the same directory and listing,
  // and a link back to the parent.
  server.ServeData("LIST", Dir("d") + File("f.txt", 1));
  server.ServeData("RETR f.txt", "f");
  LogOn();
  ShowRoot(Dir("d") + File("f.txt", 1));
  ReceiveSelected({"d", "f.txt"});

  EXPECT_THAT(ErrorLines(), ElementsAre("[E] d not entered: / is already on the walk's path"));
  // The walk went on with the next entry, and left no copy of the directory.
  EXPECT_EQ(TreeOf(panes.Local().Path()), (std::set<std::string>{"f.txt"}));
  EXPECT_THAT(Sent("CWD"), ElementsAre("CWD d", "CWD /"));
  EXPECT_TRUE(testing::Logged(host, "1 entries skipped"));
}

TEST_F(TreeTransferTest, ALinkToTheParentIsLeftAtOnce) {
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("LIST").Transfer(Link("up", "..") + File("f.txt", 1));
  server.Expect("PWD").Reply(Pwd("/"));  // "up" leads back to the start
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("PWD").Reply(Pwd("/"));
  server.ServeData("RETR f.txt", "f");
  LogOn();
  ShowRoot(Dir("top"));
  ReceiveSelected({"top"});

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(ErrorLines(), ElementsAre("[E] up not entered: / is already on the walk's path"));
  EXPECT_EQ(TreeOf(panes.Local().Path()), (std::set<std::string>{"top/", "top/f.txt"}));
  EXPECT_THAT(Sent("CWD"), ElementsAre("CWD top", "CWD up", "CWD /top", "CWD /"));
  EXPECT_TRUE(testing::Logged(host, "1 entries skipped"));
}

TEST_F(TreeTransferTest, ASentTreeEntersNoLinkToADirectory) {
  // Links back up, to the root and to a directory beside the tree; the
  // selected directory is itself a link, which the user chose.
  ASSERT_TRUE(panes.Local().WriteFile("real/a.txt", "a"));
  ASSERT_TRUE(panes.Local().WriteFile("real/sub/b.txt", "b"));
  ASSERT_TRUE(panes.Local().WriteFile("beside/secret.txt", "s"));
  fs::create_directory_symlink("..", panes.Local().FilePath("real/loop"));
  fs::create_directory_symlink("/", panes.Local().FilePath("real/root"));
  fs::create_directory_symlink(panes.Local().FilePath("beside"), panes.Local().FilePath("real/sub/across"));
  fs::create_directory_symlink("real", panes.Local().FilePath("t"));
  server.Expect("PWD").Reply(Pwd("/t"));
  server.Expect("PWD").Reply(Pwd("/t/sub"));
  server.Expect("PWD").Reply(Pwd("/t/sub"));
  server.Expect("PWD").Reply(Pwd("/t"));
  server.Expect("PWD").Reply(Pwd("/t"));
  server.Expect("PWD").Reply(Pwd("/"));
  config::Settings().Bell = 1;
  LogOn();
  engine::SetRemoteDir("/");
  listing::ListLocalDirectory();
  ASSERT_TRUE(SelectByName(listing::LocalPane(), {"t"}));
  host.QueueYesNo(true);
  operations::StartSendSelected(listing::LocalPane());

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(ErrorLines(), ::testing::UnorderedElementsAre("[E] loop not entered: a symbolic link",
                                                            "[E] root not entered: a symbolic link",
                                                            "[E] across not entered: a symbolic link"));
  EXPECT_TRUE(testing::Logged(host, "3 entries skipped"));
  EXPECT_THAT(Sent("STOR"), ::testing::UnorderedElementsAre("STOR a.txt", "STOR b.txt"));
  EXPECT_THAT(Sent("MKD"), ElementsAre("MKD t", "MKD sub"));
  // The walk sounds as one that passed entries over.
  EXPECT_THAT(host.BeepKinds(), ElementsAre("exclamation"));
  EXPECT_EQ(fs::current_path(), panes.Local().Path());
}

TEST_F(TreeTransferTest, SkippedEntriesAreCountedInOneLineShownWithoutVerbose) {
  // A receive that skips an unsafe name, and one that skips nothing.
  struct Case {
    const char* listing;
    const char* summary;
    std::vector<std::string> beeps;
  };
  const std::vector<Case> cases = {
      {"unsafe", "1 entries skipped", {"exclamation"}},
      {"clean", nullptr, {"simple"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.listing);
    ScriptedFtpServer walkServer;
    walkServer.UseDefaultReplies();
    walkServer.Expect("PWD").Reply(Pwd("/top"));
    walkServer.Expect("LIST").Transfer(std::string(c.listing) == "unsafe" ? Dir("../evil") + File("ok.txt", 2)
                                                                         : File("ok.txt", 2));
    walkServer.ServeData("RETR ok.txt", "ok");
    ASSERT_NE(testing::StartAndLogOnToUnixHost(walkServer,
                                               [](config::SessionProfile& profile) { profile.Passive = 1; }),
              -1);
    config::Settings().Verbose = 0;
    config::Settings().Bell = 1;
    host.Clear();
    ShowRoot(Dir("top"));
    ReceiveSelected({"top"});
    EXPECT_EQ(panes.Local().ReadFile("top/ok.txt"), "ok");
    EXPECT_THAT(ErrorLines(), IsEmpty());  // the single skips stay diagnostic
    int summaries = 0;
    for (const std::string& line : host.LogWindowLines())
      if (line.find("entries skipped") != std::string::npos) ++summaries;
    EXPECT_EQ(summaries, c.summary ? 1 : 0);
    if (c.summary) {
      EXPECT_TRUE(testing::Logged(host, c.summary));
    }
    EXPECT_EQ(host.BeepKinds(), c.beeps);
    CloseConnection();
    fs::remove_all(panes.Local().FilePath("top"));
  }
}

TEST_F(TreeTransferTest, AListThatFailsInsideAWalkStopsItAsAFailure) {
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("LIST").Transfer(Dir("sub") + File("z.txt", 1));
  server.Expect("PWD").Reply(Pwd("/top/sub"));
  server.Expect("LIST").Reply("550 sub: Permission denied.");
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("PWD").Reply(Pwd("/"));
  server.ServeData("RETR z.txt", "z").ServeData("RETR after.txt", "a");
  config::Settings().Verbose = 0;
  config::Settings().Bell = 1;
  LogOn();
  ShowRoot(Dir("top") + File("after.txt", 1));
  ReceiveSelected({"top", "after.txt"});

  EXPECT_TRUE(server.Verify());
  // Shown without VERBOSE; nothing after the failed level was transferred.
  EXPECT_TRUE(testing::Logged(host, "failed to list rdir sub"));
  EXPECT_THAT(Sent("RETR"), IsEmpty());
  EXPECT_THAT(Sent("CWD"), ElementsAre("CWD top", "CWD sub", "CWD /top", "CWD /"));
  EXPECT_TRUE(fs::is_directory(panes.Local().FilePath("top/sub")));
  EXPECT_FALSE(fs::exists(panes.Local().FilePath("top/z.txt")));
  EXPECT_FALSE(fs::exists(panes.Local().FilePath("after.txt")));
  EXPECT_THAT(host.BeepKinds(), IsEmpty());  // not complete
}

TEST_F(TreeTransferTest, AWalkOnItsThreadLeavesTheLocalPaneTheSettingsAndItsTreeAlone) {
  // The user works in the local pane and the Options while the walk is held
  // inside its tree, as the GUI thread may.
  const fs::path start = panes.Local().FilePath("start");
  ASSERT_TRUE(panes.Local().WriteFile("start/keep.txt", "k"));
  ASSERT_TRUE(panes.Local().WriteFile("start/other.txt", "o"));
  fs::current_path(start);
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("LIST").Transfer(File("a.txt", 1) + Dir("sub"));
  server.Expect("PWD").Reply(Pwd("/top/sub"));
  server.Expect("LIST").Transfer(File("inner.txt", 2) + File("last.bin", 1));
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("PWD").Reply(Pwd("/"));
  server.ServeData("RETR a.txt", "a").ServeData("RETR inner.txt", "in").ServeData("RETR last.bin", "l");
  config::ProgramSettings& settings = config::Settings();
  settings.ShowTransferDialog = 1;
  settings.Bell = 0;
  settings.PromptForNames = 0;
  settings.Mode = 'I';
  settings.AutoMode = 1;
  settings.VerifyDelete = 0;
  LogOn();
  ShowRoot(Dir("top"));
  listing::ListLocalDirectory();
  operations::ThreadsAvailable() = true;
  host.PauseAt("receiving inner.txt");
  ASSERT_TRUE(SelectByName(RemotePane(), {"top"}));
  host.QueueYesNo(true);
  operations::StartReceiveSelected(RemotePane());
  struct ReleaseAtEnd {
    SettingsWatchingHost& host;
    ~ReleaseAtEnd() { host.Release(); }
  } releaseAtEnd{host};
  ASSERT_TRUE(host.WaitUntilPaused());

  // The walk changed neither the process's directory nor the pane.
  EXPECT_EQ(fs::current_path(), start);
  EXPECT_THAT(testing::PaneNames(listing::LocalPane()), ElementsAre("..", "keep.txt", "other.txt"));
  // The shared settings are the user's: nothing was turned off or chosen
  // by Auto mode in them. The user changes some, as Options would.
  EXPECT_EQ(settings.ShowTransferDialog, 1);
  EXPECT_EQ(settings.PromptForNames, 0);
  EXPECT_EQ(settings.Mode, 'I');
  settings.Mode = 'L';
  settings.Bell = 1;

  // The walk's tree, what is in it and what holds it are not deleted,
  // renamed or moved; other entries are.
  const std::string top = (start / "top").string();
  listing::ListLocalDirectory();
  ASSERT_TRUE(SelectByName(listing::LocalPane(), {"top"}));
  operations::DeleteEntries(operations::PaneSide::Local);
  operations::RemoveDirectory(operations::PaneSide::Local);
  operations::RenameEntries(operations::PaneSide::Local);
  ASSERT_TRUE(SelectByName(listing::LocalPane(), {"keep.txt"}));
  host.QueueAnswer("top");
  operations::MoveEntries(operations::PaneSide::Local);
  operations::DirectoryBoxChosen(operations::PaneSide::Local, top);
  ASSERT_TRUE(SelectByName(listing::LocalPane(), {"sub"}));
  operations::RenameEntries(operations::PaneSide::Local);
  operations::DirectoryBoxChosen(operations::PaneSide::Local, panes.Local().Path().string());
  ASSERT_TRUE(SelectByName(listing::LocalPane(), {"start"}));
  operations::RenameEntries(operations::PaneSide::Local);
  operations::DirectoryBoxChosen(operations::PaneSide::Local, start.string());
  ASSERT_TRUE(SelectByName(listing::LocalPane(), {"other.txt"}));
  operations::DeleteEntries(operations::PaneSide::Local);
  // The pane ends in the directory above, where the walk writes nothing.
  operations::DirectoryBoxChosen(operations::PaneSide::Local, panes.Local().Path().string());
  host.Release();
  operations::WaitForSelectionWorker();

  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(CountLogged(host, "Not while a directory transfer uses it: " + top), 3);
  EXPECT_EQ(CountLogged(host, "Not while a directory transfer uses it: " + top + "/keep.txt"), 1);
  EXPECT_EQ(CountLogged(host, "Not while a directory transfer uses it: " + top + "/sub"), 1);
  EXPECT_EQ(CountLogged(host, "Not while a directory transfer uses it: " + start.string()), 1);
  EXPECT_EQ(host.Prompts().size(), 1u);  // only Move's destination; nothing refused was asked about
  EXPECT_EQ(TreeOf(panes.Local().Path()),
            (std::set<std::string>{"start/", "start/keep.txt", "start/top/", "start/top/a.txt", "start/top/sub/",
                                   "start/top/sub/inner.txt", "start/top/sub/last.bin"}));
  EXPECT_EQ(panes.Local().ReadFile("start/top/sub/inner.txt"), "in");
  // The pane was listed again at the walk's end, in its own directory.
  EXPECT_EQ(fs::current_path(), panes.Local().Path());
  EXPECT_THAT(testing::PaneNames(listing::LocalPane()), ElementsAre("..", "start"));
  // The user's changes stand; Auto mode chose for the walk's files alone.
  EXPECT_EQ(settings.Mode, 'L');
  EXPECT_EQ(settings.Bell, 1);
  EXPECT_EQ(settings.ShowTransferDialog, 1);
  EXPECT_EQ(settings.AutoMode, 1);
  EXPECT_THAT(Sent("TYPE"), ::testing::Contains("TYPE I"));
  EXPECT_FALSE(operations::UsedByTreeWalk(top));
}

TEST_F(TreeTransferTest, AControlConnectionDroppedInsideAWalkEndsItInTheStartDirectories) {
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("LIST").Transfer(File("a.txt", 1) + Dir("sub"));
  server.Expect("PWD").Reply(Pwd("/top/sub"));
  server.Expect("LIST").Transfer(File("b.bin", 1 << 20) + File("c.txt", 1));
  server.ServeData("RETR a.txt", "a");
  testing::DataOptions cut;
  cut.stopAfterBytes = 4096;
  cut.stop = testing::DataStop::Stall;
  server.Answer("RETR b.bin", testing::ScriptSteps()
                                  .Reply("150 Opening BINARY mode data connection for b.bin (1048576 bytes).")
                                  .SendData(testing::DataSource::Pattern(1 << 20), cut)
                                  .CloseControl()
                                  .Delay(std::chrono::milliseconds(200))
                                  .CloseData());
  LogOn();
  ShowRoot(Dir("top") + File("after.txt", 1));
  ReceiveSelected({"top", "after.txt"});

  // Nothing after the broken file was asked for, nothing outside the tree
  // was written, and the walk left the local side where it began.
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR b.bin"));
  const std::set<std::string> written = TreeOf(panes.Local().Path());
  EXPECT_TRUE(written.count("top/sub/")) << ::testing::PrintToString(written);
  for (const std::string& name : written)
    EXPECT_TRUE(name.rfind("top/", 0) == 0) << name;
  EXPECT_FALSE(written.count("top/sub/c.txt"));
  EXPECT_FALSE(written.count("after.txt"));
  EXPECT_EQ(fs::current_path(), panes.Local().Path());
  EXPECT_FALSE(IsWorkerBusy());
  // The loss is named, each level's way back is reported as failed, and
  // Close still ends the session.
  EXPECT_TRUE(testing::Logged(host, "rl-recv: the server closed the connection"));
  EXPECT_TRUE(testing::Logged(host, "[E] failed to return to orig rdir /top"));
  EXPECT_TRUE(testing::Logged(host, "[E] failed to return to orig rdir /"));
  CloseConnection();
  EXPECT_EQ(TheSession().ControlSocket, -1);
  EXPECT_FALSE(TheSession().LoggedOn);
}

TEST_F(TreeTransferTest, WhatAWalkWritesIsReadWholeFromTheGuiThreadMeanwhile) {
  const std::set<std::string> directories = {"/", "/top", "/top/d1", "/top/d2", std::string(listing::UndecipherableDir)};
  const std::set<std::string> remoteNames = {"..", "top", "d1", "d2", "f0.txt", "x1.txt", "x2.txt", "y1.txt"};
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("LIST").Transfer(Dir("d1") + Dir("d2") + File("f0.txt", 1));
  server.Expect("PWD").Reply(Pwd("/top/d1"));
  server.Expect("LIST").Transfer(File("x1.txt", 1) + File("x2.txt", 1));
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("PWD").Reply(Pwd("/top/d2"));
  server.Expect("LIST").Transfer(File("y1.txt", 1));
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("PWD").Reply(Pwd("/"));
  testing::DataOptions slow;
  slow.delayBeforeConnect = std::chrono::milliseconds(30);
  for (const char* name : {"f0.txt", "x1.txt", "x2.txt", "y1.txt"}) server.ServeData(std::string("RETR ") + name, "1", slow);
  LogOn();
  ShowRoot(Dir("top"));
  listing::ListLocalDirectory();
  const std::string localShown = listing::LocalDirectoryBox().Text();
  const std::string temporary = panes.Temporary().Path().string();
  operations::ThreadsAvailable() = true;
  ASSERT_TRUE(SelectByName(RemotePane(), {"top"}));
  host.QueueYesNo(true);
  operations::StartReceiveSelected(RemotePane());

  // The GUI thread reads what the worker writes, as a redraw would.
  unsigned reads = 0;
  while (IsWorkerBusy()) {
    const std::string directory = engine::RemoteDir();
    EXPECT_TRUE(directories.count(directory)) << directory;
    const std::string listingFile = engine::ListingFile();
    EXPECT_TRUE(listingFile.empty() || listingFile.rfind(temporary, 0) == 0) << listingFile;
    for (const listing::CachedListing& cached : listing::CachedListings()) {
      EXPECT_TRUE(directories.count(cached.Directory)) << cached.Directory;
      EXPECT_EQ(cached.Path.rfind(temporary, 0), 0u) << cached.Path;
    }
    for (const std::string& name : testing::PaneNames(RemotePane())) EXPECT_TRUE(remoteNames.count(name)) << name;
    for (const std::string& name : testing::PaneNames(listing::LocalPane()))
      EXPECT_TRUE(name == ".." || name == "top") << name;
    EXPECT_EQ(listing::LocalDirectoryBox().Text(), localShown);
    ++reads;
  }
  operations::WaitForSelectionWorker();
  EXPECT_GT(reads, 0u);
  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(TreeOf(panes.Local().Path()),
            (std::set<std::string>{"top/", "top/f0.txt", "top/d1/", "top/d1/x1.txt", "top/d1/x2.txt", "top/d2/",
                                   "top/d2/y1.txt"}));
}

TEST_F(TreeTransferTest, AWalkGoesByWhatTheServerListedWhateverThePaneShowsMeanwhile) {
  // The user applies a remote mask and sorts while the walk has just
  // listed a level: the pane shows fewer entries, the walk takes them all.
  server.Expect("PWD").Reply(Pwd("/top"));
  server.Expect("LIST").Transfer(File("b.txt", 1) + File("a.bin", 1));
  server.Expect("PWD").Reply(Pwd("/"));
  server.ServeData("RETR a.bin", "a").ServeData("RETR b.txt", "b");
  LogOn();
  ShowRoot(Dir("top"));
  operations::ThreadsAvailable() = true;
  host.PauseAt("[S] entering");
  ASSERT_TRUE(SelectByName(RemotePane(), {"top"}));
  host.QueueYesNo(true);
  operations::StartReceiveSelected(RemotePane());
  struct ReleaseAtEnd {
    SettingsWatchingHost& host;
    ~ReleaseAtEnd() { host.Release(); }
  } releaseAtEnd{host};
  ASSERT_TRUE(host.WaitUntilPaused());
  listing::SetRemoteMask("*.zzz");
  config::Settings().RemoteSort = listing::SortByName;
  listing::RedisplayListing(listing::RemotePaneNumber);
  EXPECT_THAT(testing::PaneNames(RemotePane()), ElementsAre(".."));
  host.Release();
  operations::WaitForSelectionWorker();

  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(TreeOf(panes.Local().Path()), (std::set<std::string>{"top/", "top/a.bin", "top/b.txt"}));
  EXPECT_THAT(Sent("RETR"), ::testing::UnorderedElementsAre("RETR b.txt", "RETR a.bin"));
}

TEST_F(TreeTransferTest, NamePromptsFollowPromptAndTheModifier) {
  server.ServeData("RETR a.txt", "a").ServeData("RETR typed.txt", "t");
  LogOn();
  ShowRoot(File("a.txt", 1));

  // Ctrl or Shift held with PROMPT off: the destination name is asked for.
  operations::ModifierHeld() = true;
  host.QueueAnswer("renamed.txt");
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt"}));
  operations::StartReceiveSelected(RemotePane());
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].prompt, "Enter local file name for a.txt:");
  EXPECT_EQ(panes.Local().ReadFile("renamed.txt"), "a");

  // Nothing selected: the remote name is asked for first.
  operations::ModifierHeld() = false;
  RemotePane().ClearSelection();
  host.QueueAnswer("typed.txt");
  operations::StartReceiveSelected(RemotePane());
  ASSERT_EQ(host.Prompts().size(), 2u);
  EXPECT_EQ(host.Prompts()[1].prompt, "Enter remote file name to transfer to local system:");
  EXPECT_EQ(host.CallsTo("SetPromptHelpContext").back().text, "640");
  EXPECT_EQ(panes.Local().ReadFile("typed.txt"), "t");
  EXPECT_FALSE(IsWorkerBusy());
}

TEST_F(TreeTransferTest, AbortingTheWorkerEndsAStalledTransferWithoutKillingIt) {
  testing::DataOptions stall;
  stall.stopAfterBytes = 1000;
  stall.stop = testing::DataStop::Stall;
  server.ServeData("RETR big.bin", testing::DataSource::Pattern(1 << 20), stall);
  server.ServeData("RETR other.bin", "x");
  LogOn();
  ShowRoot(File("big.bin", 1 << 20) + File("other.bin", 1));
  operations::ThreadsAvailable() = true;
  ASSERT_TRUE(SelectByName(RemotePane(), {"big.bin", "other.bin"}));
  operations::StartReceiveSelected(RemotePane());
  // Wait until the stalled transfer is under way.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!testing::LoggedContaining(host, "receiving big.bin") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(IsWorkerBusy());
  operations::StartReceiveSelected(RemotePane());  // refused while the worker runs

  const auto started = std::chrono::steady_clock::now();
  operations::AbortSelectionWorker();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_FALSE(IsWorkerBusy());
  EXPECT_TRUE(testing::Logged(host, "Aborting thread."));
  EXPECT_EQ(testing::CountLogged(host, "receiving big.bin as big.bin (1 of 2)"), 1);
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR big.bin"));  // the selection stopped
  // The host heard of the stop first, then of the end, once each.
  std::vector<std::string> jobCalls;
  for (const testing::HostCall& call : host.Calls())
    if (call.function.rfind("Worker", 0) == 0) jobCalls.push_back(call.function + " " + call.text);
  EXPECT_THAT(jobCalls, ElementsAre("WorkerStopping selection", "WorkerFinished selection"));
  EXPECT_THAT(host.FinishedFree(), ElementsAre(true));
}

TEST_F(TreeTransferTest, AWorkerThatEndsSaysSoAsItsLastCallWithTheConnectionFree) {
  server.ServeData("RETR a.txt", "alpha");
  LogOn();
  ShowRoot(File("a.txt", 5));
  operations::ThreadsAvailable() = true;
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt"}));
  operations::StartReceiveSelected(RemotePane());
  operations::WaitForSelectionWorker();
  const std::vector<testing::HostCall> calls = host.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), (testing::HostCall{"WorkerFinished", "selection", ""}));
  EXPECT_TRUE(host.CallsTo("WorkerStopping").empty());
  EXPECT_THAT(host.FinishedFree(), ElementsAre(true));
  EXPECT_EQ(panes.Local().ReadFile("a.txt"), "alpha");
}

}  // namespace
}  // namespace korval::engine
