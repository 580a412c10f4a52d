// Directory trees received and sent against vsftpd and pyftpdlib: three
// levels with files in each, compared name for name and byte for byte; a
// remote directory that exists already; a failing file that stops the walk;
// Close during a walk; and the directory question answered No.

#include "operations/tree_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/ftp_commands.h"
#include "engine/logon.h"
#include "engine/remote_dir.h"
#include "engine/session.h"
#include "listing/local_listing.h"
#include "listing/pane_list.h"
#include "listing/remote_listing.h"
#include "operations/connect_command.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/pane_state.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"

namespace korval::engine {
namespace {

namespace fs = std::filesystem;
using listing::RetrievalLock;
using testing::SelectByName;
using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;

// Every name below `root` (directories with a trailing "/") and each file's bytes.
std::map<std::string, std::string> Contents(const fs::path& root) {
  std::map<std::string, std::string> contents;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), root).string();
    if (it->is_directory())
      contents[name + "/"] = "";
    else
      contents[name] = testing::ReadWholeFile(it->path()).value_or("<unreadable>");
  }
  return contents;
}

// A scripted host that, when the worker logs "receiving <name>", waits until
// TreeAbort is set: the Close button is pressed while that file is on its way.
class CloseDuringFileHost : public testing::ScriptedHost {
 public:
  explicit CloseDuringFileHost(std::string name) : trigger_("receiving " + std::move(name) + " ") {}
  void AppendToLogWindow(std::string_view line) override {
    ScriptedHost::AppendToLogWindow(line);
    if (line.rfind(trigger_, 0) != 0) return;
    {
      std::lock_guard lock(mutex_);
      reached_ = true;
    }
    reachedChanged_.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!TheSession().TreeAbort && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  bool WaitUntilReached() {
    std::unique_lock lock(mutex_);
    return reachedChanged_.wait_for(lock, std::chrono::seconds(20), [this] { return reached_; });
  }

 private:
  std::string trigger_;
  std::condition_variable reachedChanged_;
  bool reached_ = false;
};

class TreeTransferTest : public testing::RealServerTest {
 protected:
  void SetUp() override {
    RealServerTest::SetUp();
    if (HasFatalFailure()) return;
    config::Settings().Verbose = 1;
    config::Settings().Mode = 'I';
    // No transfer log among the files compared.
    config::ProgramFiles().ConfigPath = panes_.Temporary().FilePath("KORVAL.INI").string();
    config::WriteConfigString("dolog", "0");
  }

  // t/f1.txt, t/a/f2.bin, t/a/b/f3.txt, t/a/b/empty/: three levels, a file in each.
  static std::map<std::string, std::string> Tree() {
    return {{"t/f1.txt", "level one\n"},
            {"t/a/f2.bin", testing::PatternBytes(0, 300 * 1024 + 7)},
            {"t/a/b/f3.txt", "level three\r\n"}};
  }
  void WriteTreeOnServer() {
    for (const auto& [name, bytes] : Tree()) ASSERT_TRUE(Server().WriteFile(name, bytes)) << name;
  }
  void WriteTreeLocally() {
    for (const auto& [name, bytes] : Tree()) ASSERT_TRUE(panes_.Local().WriteFile(name, bytes)) << name;
  }
  static std::map<std::string, std::string> TreeContents() {
    std::map<std::string, std::string> contents = {{"t/", ""}, {"t/a/", ""}, {"t/a/b/", ""}};
    for (const auto& [name, bytes] : Tree()) contents[name] = bytes;
    return contents;
  }

  void TearDown() override {
    session_.reset();
    installed_.reset();
    config::ProgramFiles() = config::ProgramFilePaths{};
    RealServerTest::TearDown();
  }

  bool LogOn(bool passive = true) {
    installed_.emplace(*host_);
    session_.emplace(
        testing::LogonTarget{Server().Host(), Server().Port(), Server().User(), Server().Password(), passive});
    if (!session_->Ok()) return false;
    listing::RetrieveRemoteListing(RetrievalLock::Take);
    listing::ListLocalDirectory();
    return engine::RemoteDir() == "/";
  }

  void ReceiveSelected(std::initializer_list<std::string_view> names, bool yes = true) {
    ASSERT_TRUE(SelectByName(listing::RemotePane(), names));
    host_->QueueYesNo(yes);
    operations::StartReceiveSelected(listing::RemotePane());
    operations::WaitForSelectionWorker();
  }
  void SendSelected(std::initializer_list<std::string_view> names, bool yes = true) {
    listing::ListLocalDirectory();
    ASSERT_TRUE(SelectByName(listing::LocalPane(), names));
    host_->QueueYesNo(yes);
    operations::StartSendSelected(listing::LocalPane());
    operations::WaitForSelectionWorker();
  }

  // The walk came back to where it started, on both sides.
  void ExpectBackAtTheStart() {
    EXPECT_EQ(fs::current_path(), panes_.Local().Path());
    EXPECT_EQ(engine::RemoteDir(), "/");
    EXPECT_FALSE(IsWorkerBusy());
  }
  std::vector<std::string> ErrorLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : host_->LogWindowLines())
      if (line.rfind("[E]", 0) == 0) lines.push_back(line);
    return lines;
  }

  testing::EngineState state_;
  testing::PaneState panes_;
  std::unique_ptr<testing::ScriptedHost> host_ = std::make_unique<testing::ScriptedHost>();
  std::optional<testing::ScopedHost> installed_;
  std::optional<testing::LoggedOnSession> session_;
};

TEST_P(TreeTransferTest, AReceivedTreeIsTheServersNameForNameAndByteForByte) {
  WriteTreeOnServer();
  testing::ScriptedHost& host = *host_;
  ASSERT_TRUE(LogOn());
  ReceiveSelected({"t"});
  EXPECT_EQ(Contents(panes_.Local().Path()), TreeContents());
  ExpectBackAtTheStart();
  EXPECT_THAT(ErrorLines(), IsEmpty());
  for (const char* line : {"[S] changed back to orig rdir /t/a", "[S] changed back to orig rdir /t",
                           "[S] changed back to orig rdir /", "[S] 3 files to xfer"})
    EXPECT_THAT(host.LogWindowLines(), Contains(line)) << line;
  // No name was asked for inside the tree, and the settings are back.
  EXPECT_THAT(host.Prompts(), IsEmpty());
  EXPECT_EQ(config::Settings().ShowTransferDialog, 1);
  EXPECT_EQ(config::Settings().Bell, 1);
}

TEST_P(TreeTransferTest, ASentTreeIsTheLocalOneNameForNameAndByteForByte) {
  WriteTreeLocally();
  ASSERT_TRUE(LogOn(/*passive=*/false));
  operations::ThreadsAvailable() = false;  // on the calling thread, as where no thread may be made
  SendSelected({"t"});
  std::map<std::string, std::string> remote = Contents(Server().Root());
  EXPECT_EQ(remote, TreeContents());
  ExpectBackAtTheStart();
  EXPECT_THAT(ErrorLines(), IsEmpty());
}

TEST_P(TreeTransferTest, ASentTreeEntersNoLinkToADirectoryInsideIt) {
  WriteTreeLocally();
  fs::create_directory_symlink("/", panes_.Local().FilePath("t/a/root"));
  fs::create_directory_symlink("..", panes_.Local().FilePath("t/a/b/up"));
  testing::ScriptedHost& host = *host_;
  config::Settings().Verbose = 0;
  ASSERT_TRUE(LogOn());
  SendSelected({"t"});
  // Nothing from outside the tree reached the server; the one line says so.
  EXPECT_EQ(Contents(Server().Root()), TreeContents());
  EXPECT_THAT(host.LogWindowLines(), Contains("2 entries skipped"));
  EXPECT_THAT(host.BeepKinds(), ::testing::ElementsAre("exclamation"));
  ExpectBackAtTheStart();
}

TEST_P(TreeTransferTest, ASendIntoADirectoryThatExistsGoesOn) {
  WriteTreeLocally();
  ASSERT_TRUE(Server().MakeDirectory("t"));
  ASSERT_TRUE(Server().MakeDirectory("t/a"));
  testing::ScriptedHost& host = *host_;
  ASSERT_TRUE(LogOn());
  SendSelected({"t"});
  EXPECT_EQ(Contents(Server().Root()), TreeContents());
  // The refused MKD was answered with a 5xx reply and nothing more came of it.
  const std::vector<std::string> lines = host.LogWindowLines();
  const auto mkd = std::find(lines.begin(), lines.end(), "MKD t");
  ASSERT_NE(mkd, lines.end());
  ASSERT_NE(mkd + 1, lines.end());
  EXPECT_EQ((mkd + 1)->front(), '5');
  ExpectBackAtTheStart();
}

TEST_P(TreeTransferTest, AFailingFileStopsTheWalkAndEveryLevelGoesBack) {
  WriteTreeOnServer();
  // A directory where f2.bin would go: that receive fails.
  ASSERT_TRUE(panes_.Local().CreateDirectory("t/a/f2.bin"));
  testing::ScriptedHost& host = *host_;
  ASSERT_TRUE(LogOn());
  ReceiveSelected({"t"});
  // b's file came before the failure, t's own file would have come after it.
  EXPECT_EQ(panes_.Local().ReadFile("t/a/b/f3.txt"), "level three\r\n");
  EXPECT_FALSE(fs::exists(panes_.Local().FilePath("t/f1.txt")));
  for (const char* line : {"[S] changed back to orig rdir /t/a", "[S] changed back to orig rdir /t",
                           "[S] changed back to orig rdir /"})
    EXPECT_THAT(host.LogWindowLines(), Contains(line)) << line;
  ExpectBackAtTheStart();

  // The same for a send: the server cannot store a file where a directory is.
  for (const char* directory : {"up", "up/t", "up/t/a", "up/t/a/f2.bin"})
    ASSERT_TRUE(Server().MakeDirectory(directory));
  ASSERT_EQ(ChangeRemoteDir(TheSession().ControlSocket, "/up"), 2);
  listing::RetrieveRemoteListing(RetrievalLock::Take);
  fs::remove_all(panes_.Local().FilePath("t"));
  WriteTreeLocally();
  host.Clear();
  SendSelected({"t"});
  EXPECT_EQ(Server().ReadFile("up/t/a/b/f3.txt"), "level three\r\n");
  EXPECT_FALSE(fs::exists(Server().PathOf("up/t/f1.txt")));
  EXPECT_EQ(fs::current_path(), panes_.Local().Path());
  EXPECT_EQ(engine::RemoteDir(), "/up");
}

TEST_P(TreeTransferTest, CloseDuringAWalkStopsAfterTheCurrentFile) {
  WriteTreeOnServer();
  host_ = std::make_unique<CloseDuringFileHost>("f2.bin");
  auto& host = static_cast<CloseDuringFileHost&>(*host_);
  ASSERT_TRUE(LogOn());
  ASSERT_TRUE(SelectByName(listing::RemotePane(), {"t"}));
  host.QueueYesNo(true);
  operations::StartReceiveSelected(listing::RemotePane());  // on the worker thread
  ASSERT_TRUE(host.WaitUntilReached());
  operations::DisconnectCommand();  // the Close button: the walk ends, then the connection
  EXPECT_FALSE(IsWorkerBusy());
  EXPECT_FALSE(TheSession().LoggedOn);
  // The file under way was finished; none came after it.
  EXPECT_EQ(panes_.Local().ReadFile("t/a/f2.bin"), Tree()["t/a/f2.bin"]);
  EXPECT_EQ(panes_.Local().ReadFile("t/a/b/f3.txt"), "level three\r\n");
  EXPECT_FALSE(fs::exists(panes_.Local().FilePath("t/f1.txt")));
  for (const char* line : {"[S] changed back to orig rdir /t", "[S] changed back to orig rdir /"})
    EXPECT_THAT(host.LogWindowLines(), Contains(line)) << line;
  EXPECT_EQ(fs::current_path(), panes_.Local().Path());
}

TEST_P(TreeTransferTest, TheDirectoryQuestionAnsweredNoTransfersOnlyTheFiles) {
  WriteTreeOnServer();
  ASSERT_TRUE(Server().WriteFile("x.txt", "x") && Server().WriteFile("y.bin", "y"));
  testing::ScriptedHost& host = *host_;
  ASSERT_TRUE(LogOn());
  ReceiveSelected({"t", "x.txt", "y.bin"}, /*yes=*/false);
  EXPECT_EQ(Contents(panes_.Local().Path()), (std::map<std::string, std::string>{{"x.txt", "x"}, {"y.bin", "y"}}));
  EXPECT_EQ(host.CallsTo("AskYesNo"),
            (std::vector<testing::HostCall>{
                {"AskYesNo", "Do you want to transfer the selected directory structures?", "KORVAL95 LE"}}));

  // Sending: the same question once for two directories.
  ASSERT_TRUE(panes_.Local().WriteFile("s/in.txt", "s") && panes_.Local().WriteFile("u/z.txt", "z") &&
              panes_.Local().WriteFile("w.txt", "w"));
  host.Clear();
  SendSelected({"s", "u", "w.txt"}, /*yes=*/false);
  EXPECT_EQ(host.CallsTo("AskYesNo").size(), 1u);
  EXPECT_FALSE(fs::exists(Server().PathOf("s")));
  EXPECT_FALSE(fs::exists(Server().PathOf("u")));
  EXPECT_EQ(Server().ReadFile("w.txt"), "w");
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(TreeTransferTest);

}  // namespace
}  // namespace korval::engine
