// The pane operations against the scripted server and a scripted host that
// answers the prompts: deletions with their confirmations, renames and
// moves on both sides, chmod, directory changes, the remote view and the
// local view and execute through the process start.

#include "operations/chmod_command.h"
#include "operations/file_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/prompts.h"
#include "connection_test_support.h"
#include "engine/ftp_commands.h"
#include "engine/host_type.h"
#include "engine/remote_dir.h"
#include "listing/local_listing.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "listing/remote_listing.h"
#include "listing/selection.h"
#include "platform/proc.h"
#include "tests/support/pane_state.h"
#include "tests/support/recording_launcher.h"

namespace korval::listing {
namespace {

using testing::ConnectionStateGuard;
using testing::HostCall;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using testing::SelectByName;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* ThreeFiles =
    "drwxr-xr-x   2 u g      0 Jan  1 10:00 sub\r\n"
    "-rw-r--r--   1 u g      5 Jan  1 10:00 a.txt\r\n"
    "-rw-r--r--   1 u g      5 Jan  1 10:00 b.txt\r\n"
    "-rw-r--r--   1 u g      5 Jan  1 10:00 c.txt\r\n";

class FileOperationsTest : public ::testing::Test {
 protected:
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  testing::PaneState panes;
  ScriptedFtpServer server;

  ~FileOperationsTest() override {
    if (engine::TheSession().ControlSocket != -1) engine::CloseConnection();
  }

  // Logs on with the default replies and the remote pane showing `listing`.
  void LogOnShowing(std::string listing) {
    server.UseDefaultReplies().ServeData("LIST", std::move(listing));
    ASSERT_NE(testing::StartAndLogOnToUnixHost(server), -1);
    RetrieveRemoteListing(RetrievalLock::Take);
    ASSERT_GT(RemotePane().Count(), 1u);
  }

  // The commands of the given verbs, in order.
  std::vector<std::string> Sent(std::initializer_list<std::string_view> verbs) {
    std::vector<std::string> picked;
    for (const std::string& command : server.Transcript())
      for (std::string_view verb : verbs)
        if (command.compare(0, verb.size(), verb) == 0 &&
            (command.size() == verb.size() || command[verb.size()] == ' '))
          picked.push_back(command);
    return picked;
  }

  std::size_t ListsSent() { return Sent({"LIST"}).size(); }
};

TEST_F(FileOperationsTest, DeleteAllAtTheFirstQuestionDeletesEveryFileWithoutAsking) {
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt", "b.txt", "c.txt"}));
  host.QueueDeletionAnswer(platform::Host::DeletionAll);
  const std::size_t listsBefore = ListsSent();
  operations::DeleteEntries(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"DELE", "RMD"}), ElementsAre("DELE a.txt", "DELE b.txt", "DELE c.txt"));
  EXPECT_EQ(host.CallsTo("AskVerifyDeletion"),
            (std::vector<HostCall>{{"AskVerifyDeletion", "Are you sure you want to delete \"a.txt\"?", "all"}}));
  EXPECT_EQ(ListsSent(), listsBefore + 1);  // DOUPDATE: the pane is fetched anew
}

TEST_F(FileOperationsTest, CancelAtTheSecondQuestionKeepsTheFirstDeletionAndStops) {
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt", "b.txt", "c.txt"}));
  host.QueueDeletionAnswer(platform::Host::DeletionYes);
  host.QueueDeletionAnswer(platform::Host::DeletionCancel);
  operations::DeleteEntries(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"DELE"}), ElementsAre("DELE a.txt"));
  const std::vector<HostCall> questions = host.CallsTo("AskVerifyDeletion");
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[1].text, "Are you sure you want to delete \"b.txt\"?");
  EXPECT_EQ(questions[1].detail, "all");  // two deletions still to come
}

TEST_F(FileOperationsTest, NoSkipsOneEntryAndTheLastQuestionOffersNoDeleteAll) {
  LogOnShowing(ThreeFiles);
  // ".." and the directory are selected too: ".." is never deleted, the
  // directory goes with RMD.
  ASSERT_TRUE(SelectByName(RemotePane(), {"..", "sub", "a.txt", "c.txt"}));
  for (int answer : {platform::Host::DeletionYes, platform::Host::DeletionNo, platform::Host::DeletionYes})
    host.QueueDeletionAnswer(answer);
  server.Answer("DELE c.txt", "550 Permission denied.");
  operations::DeleteEntries(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"DELE", "RMD"}), ElementsAre("RMD sub", "DELE c.txt"));
  std::vector<std::string> offered;
  for (const HostCall& call : host.CallsTo("AskVerifyDeletion")) offered.push_back(call.detail);
  EXPECT_THAT(offered, ElementsAre("all", "all", ""));
  EXPECT_TRUE(testing::Logged(host, "Delete of c.txt failed"));
}

TEST_F(FileOperationsTest, WithoutVerificationNothingIsAsked) {
  config::Settings().VerifyDelete = 0;
  config::Settings().AutoUpdate = 0;
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"b.txt"}));
  const std::size_t listsBefore = ListsSent();
  operations::DeleteEntries(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"DELE"}), ElementsAre("DELE b.txt"));
  EXPECT_THAT(host.CallsTo("AskVerifyDeletion"), IsEmpty());
  EXPECT_EQ(ListsSent(), listsBefore);
}

TEST_F(FileOperationsTest, RemoteRenameSendsRnfrThenRnto) {
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"..", "a.txt", "b.txt", "c.txt"}));
  server.Answer("RNFR b.txt", "550 No such file.");
  server.Answer("RNTO c2.txt", "553 Not allowed.");
  host.QueueAnswer("a2.txt");
  host.QueueAnswer("b2.txt");
  host.QueueAnswer("c2.txt");
  operations::RenameEntries(operations::PaneSide::Remote);
  // A refused RNFR ends its entry silently; a refused RNTO is logged.
  EXPECT_THAT(Sent({"RNFR", "RNTO"}),
              ElementsAre("RNFR a.txt", "RNTO a2.txt", "RNFR b.txt", "RNFR c.txt", "RNTO c2.txt"));
  const std::vector<testing::PromptRecord> prompts = host.Prompts();
  ASSERT_EQ(prompts.size(), 3u);  // ".." is never renamed
  EXPECT_EQ(prompts[0].prompt, "Enter new name for \"a.txt\":");
  EXPECT_EQ(prompts[0].initial, "a.txt");
  EXPECT_TRUE(testing::Logged(host, "Rename of c.txt to c2.txt failed."));
  EXPECT_FALSE(testing::LoggedContaining(host, "Rename of b.txt"));
}

TEST_F(FileOperationsTest, ALongRemoteNameIsRenamedAndDeletedWhole) {
  // A name longer than a display text holds: the pane shows it cut, every
  // command names the whole file.
  const std::string longName = std::string(240, 'x') + ".dat";
  LogOnShowing("-rw-r--r--   1 u g      5 Jan  1 10:00 " + longName + "\r\n");
  std::optional<ListingEntry> entry = RemotePane().EntryAt(1);
  ASSERT_TRUE(entry.has_value());
  EXPECT_LT(entry->Text.size(), longName.size());
  RemotePane().SetSelected(1, true);
  host.QueueAnswer("short.dat");
  operations::RenameEntries(operations::PaneSide::Remote);
  config::Settings().VerifyDelete = 0;
  RemotePane().SetSelected(1, true);
  operations::DeleteEntries(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"RNFR", "RNTO", "DELE"}), ElementsAre("RNFR " + longName, "RNTO short.dat", "DELE " + longName));
}

// Long names, presets and answers travel whole: OK on a preset renames to
// the same name, and a long directory typed or chosen is the one entered.
TEST_F(FileOperationsTest, LongNamesPresetsAndAnswersAreNeverCut) {
  const std::string longName = std::string(96, 'n') + ".txt";
  const std::string longDirectory = "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  const std::string chosenDirectory = "/" + std::string(200, 'c');
  LogOnShowing("-rw-r--r--   1 u g      5 Jan  1 10:00 " + longName + "\r\n");
  ASSERT_TRUE(SelectByName(RemotePane(), {longName}));
  host.QueueKeepPreset();
  operations::RenameEntries(operations::PaneSide::Remote);
  host.QueueAnswer(longDirectory);
  operations::ChangeDirectory(operations::PaneSide::Remote);
  operations::DirectoryBoxChosen(operations::PaneSide::Remote, chosenDirectory);

  EXPECT_THAT(Sent({"RNFR", "RNTO"}), ElementsAre("RNFR " + longName, "RNTO " + longName));
  EXPECT_THAT(Sent({"CWD"}), ElementsAre("CWD " + longDirectory, "CWD " + chosenDirectory));
  ASSERT_EQ(host.Prompts().size(), 2u);
  EXPECT_EQ(host.Prompts()[0].initial, longName);
  for (const testing::PromptRecord& prompt : host.Prompts()) EXPECT_GE(prompt.capacity, 1024u);
}

TEST_F(FileOperationsTest, RemoteMoveAsksOnceAndRenamesIntoTheDirectory) {
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt", "c.txt"}));
  server.Answer("RNTO /arch/c.txt", "550 Failed.");
  host.QueueAnswer("/arch");
  operations::MoveEntries(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"RNFR", "RNTO"}), ElementsAre("RNFR a.txt", "RNTO /arch/a.txt", "RNFR c.txt", "RNTO /arch/c.txt"));
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].prompt, "Please enter the remote destination directory:");
  EXPECT_TRUE(testing::Logged(host, "Move of c.txt to /arch/c.txt failed."));
}

TEST_F(FileOperationsTest, AnEmptyOrCancelledAnswerChangesNothing) {
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt"}));
  host.QueueAnswer("");
  operations::MoveEntries(operations::PaneSide::Remote);
  host.QueueCancel();
  operations::RenameEntries(operations::PaneSide::Remote);
  host.QueueCancel();
  operations::MakeDirectory(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"RNFR", "RNTO", "MKD"}), IsEmpty());
}

TEST_F(FileOperationsTest, ChmodSendsTheBitsAndTheSelectedNames) {
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt", "b.txt"}));
  host.QueueChmodBits(config::ChmodBitsFromBoxes({true, true, false, true, false, false, true, false, false}));
  EXPECT_EQ(operations::ChmodCommand(RemotePane()), 2);
  // One command a name: "SITE chmod 644 a.txt b.txt" would be one path "a.txt b.txt".
  EXPECT_THAT(Sent({"SITE"}), ElementsAre("SITE chmod 644 a.txt", "SITE chmod 644 b.txt"));
  EXPECT_EQ(host.CallsTo("RunChmodDialog")[0].text, "644");  // opened with the initial bits

  // The next dialog opens with the bits chosen last; with nothing selected
  // the command line is asked for.
  RemotePane().ClearSelection();
  host.QueueChmodBits(755);
  host.QueueAnswer("chmod 755 c.txt");
  server.Answer("SITE chmod 755 c.txt", "500 SITE not understood.");
  EXPECT_EQ(operations::ChmodCommand(RemotePane()), 5);
  EXPECT_EQ(host.CallsTo("RunChmodDialog")[1].text, "644");
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].prompt, "Enter CHMOD string:");
  EXPECT_EQ(host.Prompts()[0].initial, "chmod 755 ");
  EXPECT_THAT(Sent({"SITE"}), ElementsAre("SITE chmod 644 a.txt", "SITE chmod 644 b.txt", "SITE chmod 755 c.txt"));
  EXPECT_TRUE(testing::Logged(host, "Chmod failed. It may not be supported on remote host."));
  EXPECT_EQ(config::ChmodBits(), 755);

  // Every box cleared (or Cancel) sends nothing.
  host.QueueChmodBits(0);
  EXPECT_EQ(operations::ChmodCommand(RemotePane()), 0);
  EXPECT_EQ(Sent({"SITE"}).size(), 3u);
}

TEST_F(FileOperationsTest, ChmodOfSeveralNamesLogsEachFailureAndAnswersTheWorstClass) {
  // A long name still goes whole, on a command of its own.
  const std::string longName(150, 'n');
  LogOnShowing(std::string(ThreeFiles) + "-rw-r--r--   1 u g      5 Jan  1 10:00 " + longName + "\r\n" +
               "-rw-r--r--   1 u g      5 Jan  1 10:00 with blank.txt\r\n");
  struct Case {
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> replies;  // command, reply
    int expected;
    std::vector<std::string> sent;
    std::vector<std::string> failedNames;
  };
  const Case cases[] = {
      {{"a.txt", "b.txt", "c.txt"},
       {{"SITE chmod 600 b.txt", "550 b.txt: Permission denied."}},
       5,
       {"SITE chmod 600 a.txt", "SITE chmod 600 b.txt", "SITE chmod 600 c.txt"},
       {"b.txt"}},
      {{"a.txt", "c.txt"},
       {{"SITE chmod 600 a.txt", "451 Try later."}, {"SITE chmod 600 c.txt", "553 Not allowed."}},
       5,
       {"SITE chmod 600 a.txt", "SITE chmod 600 c.txt"},
       {"a.txt", "c.txt"}},
      {{"a.txt", "with blank.txt"},
       {{"SITE chmod 600 with blank.txt", "350 Odd."}},
       3,
       {"SITE chmod 600 a.txt", "SITE chmod 600 with blank.txt"},
       {"with blank.txt"}},
      {{"a.txt", "c.txt", longName},  // pane order
       {{"SITE chmod 600 " + longName, "550 Name too long."}},
       5,
       {"SITE chmod 600 a.txt", "SITE chmod 600 c.txt", "SITE chmod 600 " + longName},
       {longName}},
  };
  for (const Case& c : cases) {
    for (const auto& [command, reply] : c.replies) server.Answer(command, reply);
    RemotePane().ClearSelection();
    ASSERT_TRUE(SelectByName(RemotePane(), c.names)) << ::testing::PrintToString(testing::PaneNames(RemotePane()));
    const std::size_t before = Sent({"SITE"}).size();
    const std::size_t logged = host.LogWindowLines().size();
    host.QueueChmodBits(600);
    EXPECT_EQ(operations::ChmodCommand(RemotePane()), c.expected) << c.names.front();
    const std::vector<std::string> all = Sent({"SITE"});
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()), c.sent);
    const std::vector<std::string> lines = host.LogWindowLines();
    std::vector<std::string> failed;
    for (std::size_t i = logged; i < lines.size(); ++i) {
      const std::string prefix = "Chmod failed. It may not be supported on remote host. (";
      if (lines[i].rfind(prefix, 0) == 0) failed.push_back(lines[i].substr(prefix.size(), lines[i].size() - prefix.size() - 1));
    }
    EXPECT_EQ(failed, c.failedNames) << c.names.front();
    for (const auto& [command, reply] : c.replies) server.Answer(command, "200 SITE CHMOD command ok.");
  }
}

TEST_F(FileOperationsTest, RemovingARemoteDirectoryWithoutAutoUpdateLeavesThePane) {
  config::Settings().AutoUpdate = 0;
  LogOnShowing(ThreeFiles);
  ASSERT_TRUE(SelectByName(RemotePane(), {"sub"}));
  const std::size_t entries = RemotePane().Count();
  const std::size_t lines = host.LogWindowLines().size();
  host.QueueDeletionAnswer(platform::Host::DeletionYes);
  operations::RemoveDirectory(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"RMD"}), ElementsAre("RMD sub"));
  EXPECT_EQ(host.CallsTo("AskVerifyDeletion")[0].detail, "");  // a single deletion
  EXPECT_EQ(RemotePane().Count(), entries);
  // Only the dialogue itself was logged.
  const std::vector<std::string> logged = host.LogWindowLines();
  EXPECT_THAT(std::vector<std::string>(logged.begin() + static_cast<long>(lines), logged.end()),
              ElementsAre("RMD sub", ::testing::StartsWith("250 ")));
}

TEST_F(FileOperationsTest, RemoveDirectoryWithNothingSelectedAsksRemotelyOnly) {
  LogOnShowing(ThreeFiles);
  host.QueueAnswer("old");
  operations::RemoveDirectory(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"RMD"}), ElementsAre("RMD old"));
  EXPECT_EQ(host.CallsTo("SetPromptHelpContext").back().text, "650");
  operations::RemoveDirectory(operations::PaneSide::Local);
  EXPECT_EQ(host.Prompts().size(), 1u);
}

TEST_F(FileOperationsTest, OpeningARemoteDirectoryChangesIntoItAndListsIt) {
  LogOnShowing(ThreeFiles);
  server.Answer("PWD", "257 \"/sub\" is the current directory.");
  ASSERT_TRUE(SelectByName(RemotePane(), {"sub"}));
  EXPECT_TRUE(operations::OpenEntry(operations::PaneSide::Remote));
  EXPECT_THAT(Sent({"CWD"}), ElementsAre("CWD sub"));
  EXPECT_EQ(engine::RemoteDir(), "/sub");
  ASSERT_TRUE(SelectByName(RemotePane(), {"a.txt"}));
  EXPECT_FALSE(operations::OpenEntry(operations::PaneSide::Remote));  // a file is left to the double-click action
}

TEST_F(FileOperationsTest, ChangeDirectoryOffersTheVisitedDirectories) {
  LogOnShowing(ThreeFiles);
  host.QueueAnswer("/pub");
  operations::ChangeDirectory(operations::PaneSide::Remote);
  EXPECT_THAT(Sent({"CWD"}), ElementsAre("CWD /pub"));
  const std::vector<testing::PromptRecord> prompts = host.Prompts();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].kind, testing::PromptKind::Choice);
  EXPECT_EQ(prompts[0].prompt, "Enter remote directory name:");
  EXPECT_EQ(prompts[0].initial, "/");
  EXPECT_THAT(prompts[0].choices, ElementsAre("/"));
}

TEST_F(FileOperationsTest, ViewingARemoteFileFetchesItUnderItsExtension) {
  testing::RecordingLauncher launcher;
  config::Settings().AutoMode = 1;
  server.ServeData("RETR report.final.html", "<p>hi</p>\r\n");
  LogOnShowing("-rw-r--r--   1 u g     11 Jan  1 10:00 report.final.html\r\n");
  ASSERT_TRUE(SelectByName(RemotePane(), {"report.final.html"}));
  operations::ViewOrExecute(operations::PaneSide::Remote, operations::ViewAction::View);
  const std::vector<std::vector<std::string>> started = launcher.Started();
  ASSERT_EQ(started.size(), 1u);
  ASSERT_EQ(started[0].size(), 2u);
  EXPECT_EQ(started[0][0], "xdg-open");  // VIEWER's default here
  const std::filesystem::path viewed = started[0][1];
  EXPECT_EQ(viewed.parent_path(), panes.Temporary().Path());
  EXPECT_THAT(viewed.filename().string(), ::testing::MatchesRegex("DSP[0-9A-F]{4}\\.htm"));
  // Auto on: a view is fetched as text, and Auto is on again afterwards.
  EXPECT_EQ(testing::ReadWholeFile(viewed), "<p>hi</p>\n");
  EXPECT_EQ(config::Settings().AutoMode, 1);
  // Only the viewed file is left in the temporary directory.
  std::vector<std::string> left;
  for (const auto& file : std::filesystem::directory_iterator(panes.Temporary().Path()))
    if (file.path().filename().string().rfind("DSP", 0) == 0) left.push_back(file.path().filename().string());
  EXPECT_THAT(left, ElementsAre(viewed.filename().string()));
  EXPECT_EQ(host.CallsTo("EnableControl").back(), (HostCall{"EnableControl", "9033", "1"}));
  EXPECT_FALSE(IsSessionBusy());
  // The viewer may read it until the program ends; then it goes.
  RemoveTempFiles();
  EXPECT_FALSE(std::filesystem::exists(viewed));
}

// A name without an extension is fetched as text for View and Execute
// alike, even with Auto on (which would choose binary by the name).
TEST_F(FileOperationsTest, ANameWithoutAnExtensionIsViewedAndExecutedAsText) {
  testing::RecordingLauncher launcher;
  config::Settings().AutoMode = 1;
  config::Settings().Mode = 'I';
  server.ServeData("RETR README", "line one\r\nline two\r\n");
  LogOnShowing("-rw-r--r--   1 u g     20 Jan  1 10:00 README\r\n");
  ASSERT_TRUE(SelectByName(RemotePane(), {"README"}));
  for (operations::ViewAction action : {operations::ViewAction::View, operations::ViewAction::Execute}) {
    operations::ViewOrExecute(operations::PaneSide::Remote, action);
    ASSERT_FALSE(launcher.Started().empty());
    EXPECT_EQ(testing::ReadWholeFile(launcher.Started().back().back()), "line one\nline two\n");
    EXPECT_EQ(config::Settings().AutoMode, 1);
  }
  EXPECT_EQ(launcher.Started().size(), 2u);
  EXPECT_THAT(Sent({"TYPE"}), ::testing::Not(::testing::Contains("TYPE I")));
}

TEST_F(FileOperationsTest, ARemoteNameWithShellSyntaxOpensThatFileAndRunsNothingElse) {
  // The viewer records its arguments; the name and its extension would run
  // commands if a shell ever read them.
  const testing::TemporaryDirectory tools("korval-tools-");
  ASSERT_TRUE(tools.WriteFile("record", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/recorded\"\n"));
  ASSERT_EQ(::chmod(tools.FilePath("record").c_str(), 0755), 0);
  config::WriteConfigString("VIEWER", tools.FilePath("record").string());
  const std::string name = "r;touch x|$(touch y).$(z";
  server.ServeData("RETR " + name, "data");
  LogOnShowing("-rw-r--r--   1 u g      4 Jan  1 10:00 " + name + "\r\n");
  ASSERT_TRUE(SelectByName(RemotePane(), {name}));
  operations::ViewOrExecute(operations::PaneSide::Remote, operations::ViewAction::View);
  platform::ReapStartedPrograms(true);
  const std::optional<std::string> recorded = tools.ReadFile("recorded");
  ASSERT_TRUE(recorded.has_value());
  // One argument: the fetched file, named with the (cut) extension.
  EXPECT_THAT(*recorded, ::testing::MatchesRegex(".*/DSP[0-9A-F]{4}\\.\\$\\(z\n"));
  EXPECT_EQ(testing::ReadWholeFile(recorded->substr(0, recorded->size() - 1)), "data");
  for (const char* planted : {"x", "y"}) {
    EXPECT_FALSE(std::filesystem::exists(panes.Local().FilePath(planted))) << planted;
    EXPECT_FALSE(std::filesystem::exists(tools.FilePath(planted))) << planted;
  }
}

TEST_F(FileOperationsTest, ExecutingARemoteFileKeepsTheTransferMode) {
  testing::RecordingLauncher launcher;
  config::Settings().Mode = 'I';
  server.ServeData("RETR tool.bin", std::string("\x01\r\n\x02", 4));
  server.ServeData("RETR notes", "a\r\nb\r\n");
  LogOnShowing("-rw-r--r--   1 u g      4 Jan  1 10:00 tool.bin\r\n-rw-r--r--   1 u g      6 Jan  1 10:00 notes\r\n");
  ASSERT_TRUE(SelectByName(RemotePane(), {"tool.bin", "notes"}));
  operations::ViewOrExecute(operations::PaneSide::Remote, operations::ViewAction::Execute);
  const std::vector<std::vector<std::string>> started = launcher.Started();
  ASSERT_EQ(started.size(), 2u);
  // A binary file in the current mode; a name without extension comes as
  // text and keeps the reserved name.
  EXPECT_EQ(started[0][0], "xdg-open");
  EXPECT_THAT(started[0][1], ::testing::EndsWith(".bin"));
  EXPECT_EQ(testing::ReadWholeFile(started[0][1]), std::string("\x01\r\n\x02", 4));
  EXPECT_THAT(started[1][1], ::testing::EndsWith(".TMP"));
  EXPECT_EQ(testing::ReadWholeFile(started[1][1]), "a\nb\n");
}

TEST_F(FileOperationsTest, AViewRefusedForTheOnlySelectedEntryTriesItAsADirectory) {
  testing::RecordingLauncher launcher;
  LogOnShowing("-rw-r--r--   1 u g      4 Jan  1 10:00 maybe.dir\r\n");
  ASSERT_TRUE(SelectByName(RemotePane(), {"maybe.dir"}));
  operations::ViewOrExecute(operations::PaneSide::Remote, operations::ViewAction::View);
  EXPECT_THAT(launcher.Started(), IsEmpty());
  EXPECT_THAT(Sent({"RETR", "CWD"}), ElementsAre("RETR maybe.dir", "CWD maybe.dir"));
  // No temporary file is left for a fetch that failed.
  EXPECT_TRUE(std::filesystem::is_empty(panes.Temporary().Path()) ||
              std::none_of(std::filesystem::directory_iterator(panes.Temporary().Path()), {},
                           [](const auto& f) { return f.path().filename().string().rfind("DSP", 0) == 0; }));
}

TEST_F(FileOperationsTest, RefreshDoesNothingWhileTheSessionIsBusy) {
  LogOnShowing(ThreeFiles);
  const std::size_t lists = ListsSent();
  {
    SessionBusyMark busy;
    operations::RefreshPane(operations::PaneSide::Remote);
    operations::DirectoryBoxChosen(operations::PaneSide::Remote, "/elsewhere");
  }
  EXPECT_EQ(ListsSent(), lists);
  EXPECT_THAT(Sent({"CWD"}), IsEmpty());
  operations::RefreshPane(operations::PaneSide::Remote);
  EXPECT_EQ(ListsSent(), lists + 1);
  operations::DirectoryBoxChosen(operations::PaneSide::Remote, std::string(80, 'd'));
  EXPECT_THAT(Sent({"CWD"}), ElementsAre("CWD " + std::string(80, 'd')));
}

// The local side works in the test's own current directory.
class LocalOperationsTest : public ::testing::Test {
 protected:
  LocalOperationsTest() { config::Settings().Verbose = 1; }
  ConnectionStateGuard state;
  ScriptedHost host;
  ScopedHost installed{host};
  testing::PaneState panes;

  const testing::TemporaryDirectory& Local() const { return panes.Local(); }
  bool Exists(std::string_view relative) const { return std::filesystem::exists(Local().FilePath(relative)); }
};

TEST_F(LocalOperationsTest, DeleteAllRemovesFilesAndEmptyDirectories) {
  ASSERT_TRUE(Local().WriteFile("a.txt", "a") && Local().WriteFile("b.txt", "b") && Local().CreateDirectory("empty") &&
              Local().WriteFile("full/x", "x"));
  ListLocalDirectory();
  ASSERT_TRUE(SelectByName(LocalPane(), {"..", "empty", "full", "a.txt", "b.txt"}));
  host.QueueDeletionAnswer(platform::Host::DeletionAll);
  operations::DeleteEntries(operations::PaneSide::Local);
  EXPECT_FALSE(Exists("a.txt"));
  EXPECT_FALSE(Exists("b.txt"));
  EXPECT_FALSE(Exists("empty"));
  EXPECT_TRUE(Exists("full/x"));  // only an empty directory goes
  EXPECT_TRUE(testing::Logged(host, "Delete of full failed."));
  EXPECT_EQ(host.CallsTo("AskVerifyDeletion").size(), 1u);
  EXPECT_FALSE(SelectByName(LocalPane(), {"a.txt"}));  // the pane was listed again
}

TEST_F(LocalOperationsTest, RenameAndMoveNeverReplaceAFile) {
  ASSERT_TRUE(Local().WriteFile("a.txt", "a") && Local().WriteFile("b.txt", "b") && Local().WriteFile("c.txt", "c") &&
              Local().CreateDirectory("dest") && Local().WriteFile("dest/c.txt", "old c"));
  ListLocalDirectory();
  ASSERT_TRUE(SelectByName(LocalPane(), {"a.txt", "b.txt"}));
  host.QueueAnswer("renamed.txt");
  host.QueueAnswer("c.txt");  // exists: refused
  operations::RenameEntries(operations::PaneSide::Local);
  EXPECT_EQ(Local().ReadFile("renamed.txt"), "a");
  EXPECT_EQ(Local().ReadFile("b.txt"), "b");
  EXPECT_EQ(Local().ReadFile("c.txt"), "c");
  EXPECT_TRUE(testing::Logged(host, "Rename of b.txt to c.txt failed."));

  ASSERT_TRUE(SelectByName(LocalPane(), {"renamed.txt", "c.txt"}));
  host.QueueAnswer("dest");
  operations::MoveEntries(operations::PaneSide::Local);
  EXPECT_EQ(host.Prompts().back().prompt, "Please enter the local destination directory:");
  EXPECT_EQ(Local().ReadFile("dest/renamed.txt"), "a");
  EXPECT_EQ(Local().ReadFile("dest/c.txt"), "old c");
  EXPECT_EQ(Local().ReadFile("c.txt"), "c");
  EXPECT_TRUE(testing::Logged(host, "Move of c.txt to dest/c.txt failed."));
}

TEST_F(LocalOperationsTest, ForceLowercaseOnlyChangesWhatIsShown) {
  ASSERT_TRUE(Local().WriteFile("Upper/Inner.TXT", "i") && Local().WriteFile("README.TXT", "r") &&
              Local().WriteFile("Old.TXT", "o"));
  config::Settings().ForceLowerCase = 1;
  config::Settings().VerifyDelete = 0;
  ListLocalDirectory();
  ASSERT_TRUE(SelectByName(LocalPane(), {"readme.txt"}));
  operations::DeleteEntries(operations::PaneSide::Local);
  EXPECT_FALSE(Exists("README.TXT"));
  ASSERT_TRUE(SelectByName(LocalPane(), {"old.txt"}));
  host.QueueAnswer("New.TXT");
  operations::RenameEntries(operations::PaneSide::Local);
  EXPECT_EQ(host.Prompts().back().initial, "Old.TXT");
  EXPECT_EQ(Local().ReadFile("New.TXT"), "o");
  ASSERT_TRUE(SelectByName(LocalPane(), {"upper"}));
  EXPECT_TRUE(operations::OpenEntry(operations::PaneSide::Local));
  EXPECT_EQ(std::filesystem::current_path(), Local().FilePath("Upper"));
  EXPECT_TRUE(SelectByName(LocalPane(), {"inner.txt"}));
  EXPECT_THAT(listing::ReadSelectedEntries(LocalPane()).front().Name, "Inner.TXT");
}

TEST_F(LocalOperationsTest, DirectoriesAreMadeEnteredAndLeft) {
  host.QueueAnswer("made");
  operations::MakeDirectory(operations::PaneSide::Local);
  EXPECT_TRUE(std::filesystem::is_directory(Local().FilePath("made")));
  ASSERT_TRUE(SelectByName(LocalPane(), {"made"}));
  EXPECT_TRUE(operations::OpenEntry(operations::PaneSide::Local));
  EXPECT_EQ(std::filesystem::current_path(), Local().FilePath("made"));
  ASSERT_TRUE(SelectByName(LocalPane(), {".."}));
  operations::ChangeDirectory(operations::PaneSide::Local);
  EXPECT_EQ(std::filesystem::current_path(), Local().Path());
  operations::DirectoryBoxChosen(operations::PaneSide::Local, Local().FilePath("made").string());
  EXPECT_EQ(std::filesystem::current_path(), Local().FilePath("made"));
  operations::DirectoryBoxChosen(operations::PaneSide::Local, Local().FilePath("missing").string());
  EXPECT_EQ(std::filesystem::current_path(), Local().FilePath("made"));
  host.QueueAnswer(Local().Path().string());
  operations::ChangeDirectory(operations::PaneSide::Local);
  EXPECT_EQ(std::filesystem::current_path(), Local().Path());
  EXPECT_EQ(host.Prompts().back().prompt, "Enter local directory name:");

  ASSERT_TRUE(SelectByName(LocalPane(), {"made"}));
  host.QueueDeletionAnswer(platform::Host::DeletionNo);
  operations::RemoveDirectory(operations::PaneSide::Local);
  EXPECT_TRUE(Exists("made"));
  host.QueueDeletionAnswer(platform::Host::DeletionYes);
  operations::RemoveDirectory(operations::PaneSide::Local);
  EXPECT_FALSE(Exists("made"));
}

TEST_F(LocalOperationsTest, ViewAndExecuteGiveTheProgramTheWholePath) {
  testing::RecordingLauncher launcher;
  config::WriteConfigString("VIEWER", "less -R");
  ASSERT_TRUE(Local().WriteFile("a;touch x;.txt", "1") && Local().WriteFile("-rf", "2") &&
              Local().CreateDirectory("dir"));
  ListLocalDirectory();
  ASSERT_TRUE(SelectByName(LocalPane(), {"dir", "a;touch x;.txt", "-rf"}));
  operations::ViewOrExecute(operations::PaneSide::Local, operations::ViewAction::View);
  operations::ViewOrExecute(operations::PaneSide::Local, operations::ViewAction::Execute);
  const std::string base = Local().Path().string() + "/";
  EXPECT_THAT(launcher.Started(),
              ElementsAre(ElementsAre("less", "-R", base + "-rf"), ElementsAre("less", "-R", base + "a;touch x;.txt"),
                          ElementsAre("xdg-open", base + "-rf"), ElementsAre("xdg-open", base + "a;touch x;.txt")));
}

TEST_F(LocalOperationsTest, AViewerNamedInTheSettingsRunsNothingElse) {
  // The viewer is a small program that records its arguments; the file's
  // name would run commands if a shell ever read it.
  ASSERT_TRUE(Local().WriteFile("record", "#!/bin/sh\nprintf '%s\\n' \"$@\" > recorded\n"));
  ASSERT_EQ(::chmod(Local().FilePath("record").c_str(), 0755), 0);
  config::WriteConfigString("VIEWER", Local().FilePath("record").string());
  const std::string name = "$(touch y);touch x|touch z'\".txt";
  ASSERT_TRUE(Local().WriteFile(name, "1"));
  ListLocalDirectory();
  ASSERT_TRUE(SelectByName(LocalPane(), {name}));
  operations::ViewOrExecute(operations::PaneSide::Local, operations::ViewAction::View);
  platform::ReapStartedPrograms(true);
  EXPECT_EQ(Local().ReadFile("recorded"), Local().Path().string() + "/" + name + "\n");
  for (const char* planted : {"x", "y", "z"}) EXPECT_FALSE(Exists(planted)) << planted;
}

TEST_F(LocalOperationsTest, RefreshPutsBackTheDefaultMask) {
  SetLocalMask("");
  operations::RefreshPane(operations::PaneSide::Local);
  EXPECT_EQ(LocalMask(), "*.*");
}

}  // namespace
}  // namespace korval::listing
