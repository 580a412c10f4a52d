// The remote pane over a connection to the scripted server: PWD and the
// directory box, host detection once per connection, the listing cache, the
// forced refresh, the masks, the busy mark, failed listings, and the hooks
// that connect and close run.

#include "listing/remote_listing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "connection_test_support.h"
#include "engine/ftp_commands.h"
#include "engine/listing_file.h"
#include "engine/remote_dir.h"
#include "listing/directory_box.h"
#include "listing/listing_cache.h"
#include "listing/listing_entry.h"
#include "listing/pane_hooks.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "operations/connect_command.h"
#include "platform/fs.h"

namespace korval::listing {
namespace {

namespace fs = std::filesystem;
using testing::CountLogged;
using testing::Logged;
using testing::LoggedContaining;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const char* const UnixListing =
    "total 3\r\n"
    "drwxr-xr-x   2 anna  staff       4096 Mar 04  2021 sub\r\n"
    "-rw-r--r--   1 anna  staff       1803 Mar 04  2021 notes.txt\r\n"
    "-rw-r--r--   1 anna  staff          5 Mar 04  2021 data.bin\r\n";

std::vector<std::string> PaneTexts() {
  std::vector<std::string> texts;
  RemotePane().ForEachEntry([&](std::size_t, const ListingEntry& entry) { texts.push_back(entry.Text); });
  return texts;
}

class RemoteListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temporary.Valid());
    platform::SetTemporaryDirectoryOverride(temporary.Path().string());
    config::ProgramFiles().ExtensionsPath = temporary.FilePath("KORVAL.EXT").string();  // none: ".TXT" decides
    config::Settings().LongDirectory = 0;
    config::Settings().RemoteSort = SortByName;
    ResetAll();
    server.UseDefaultReplies().ServeData("LIST", UnixListing);
  }
  void TearDown() override {
    ResetAll();
    platform::SetTemporaryDirectoryOverride(std::nullopt);
  }
  static void ResetAll() {
    ClearListingCache();
    ResetPaneLists();
    ResetDirectoryBoxes();
    ResetPaneMasks();
    engine::SetRemoteDir({});
    engine::SetListingFile({});
  }

  void LogOn(std::uint32_t hostType = 6000) {
    server.Start();
    config::SessionProfile& profile = config::CurrentProfile();
    profile = testing::ProfileFor(server);
    profile.Passive = 1;
    profile.HostType = hostType;
    int socket = engine::Logon(profile);
    ASSERT_NE(socket, -1);
    engine::TheSession().ControlSocket = socket;
    logonCommands = server.Transcript().size();
  }

  // The commands sent since the last call (or since the logon).
  std::vector<std::string> NewCommands() {
    std::vector<std::string> all = server.Transcript();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(logonCommands), all.end());
    logonCommands = all.size();
    return fresh;
  }

  std::set<std::string> TemporaryFiles() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(temporary.Path())) names.insert(entry.path().filename());
    names.erase("KORVAL.EXT");
    return names;
  }

  testing::ConnectionStateGuard state;
  testing::ScriptedHost host;
  testing::ScopedHost installed{host};
  testing::TemporaryDirectory temporary;
  testing::ScriptedFtpServer server;
  std::size_t logonCommands = 0;
};

TEST_F(RemoteListingTest, FirstRetrievalReadsPwdDetectsTheHostAndListsThenTheCacheAnswers) {
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PWD", "SYST", "PASV", "LIST"));
  EXPECT_EQ(engine::RemoteDir(), "/");
  EXPECT_EQ(engine::TheSession().HostType, 6010u);
  EXPECT_TRUE(engine::TheSession().HostTypeSettled);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "data.bin", "notes.txt"));
  EXPECT_EQ(RemotePane().EntryAt(3)->Kind, AsciiFileKind);
  EXPECT_EQ(RemotePane().EntryAt(3)->Size, 1803u);
  EXPECT_THAT(RemoteDirectoryBox().Items(), ElementsAre("/"));
  EXPECT_EQ(RemoteDirectoryBox().Text(), "/");
  const std::string listing = engine::ListingFile();
  EXPECT_EQ(fs::path(listing).parent_path(), temporary.Path());
  std::string received = UnixListing;
  received.erase(std::remove(received.begin(), received.end(), '\r'), received.end());
  EXPECT_EQ(testing::ReadWholeFile(listing).value_or(""), received) << "an ASCII transfer, line ends converted";

  // The same directory again: PWD only, no second detection, no LIST.
  RemotePane().Clear();
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PWD"));
  EXPECT_TRUE(Logged(host, "[0] using cache " + listing));
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "data.bin", "notes.txt"));
  EXPECT_EQ(ListingCacheCount(), 1u);
}

TEST_F(RemoteListingTest, EachDirectoryHasItsOwnCacheEntryAndIndex) {
  server.Expect("PWD").Reply("257 \"/\" is current directory.");
  server.Expect("PWD").Reply("257 \"/pub/with space\" is current directory.");
  server.Expect("PWD").Reply("257 \"/\" is current directory.");
  server.Expect("PWD").Reply("257 \"/pub/with space\" is current directory.");
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  const std::string root = engine::ListingFile();
  engine::ChangeRemoteDir(engine::TheSession().ControlSocket, "pub/with space");
  RetrieveRemoteListing(RetrievalLock::Take);
  const std::string sub = engine::ListingFile();
  engine::ChangeRemoteDir(engine::TheSession().ControlSocket, "..");
  RetrieveRemoteListing(RetrievalLock::Take);
  engine::ChangeRemoteDir(engine::TheSession().ControlSocket, "pub/with space");
  RetrieveRemoteListing(RetrievalLock::Take);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(NewCommands(), ElementsAre("PWD", "SYST", "PASV", "LIST", "CWD pub/with space", "PWD", "PASV", "LIST",
                                         "CDUP", "PWD", "CWD pub/with space", "PWD"));
  EXPECT_NE(root, sub);
  EXPECT_TRUE(Logged(host, "[0] using cache " + root));
  EXPECT_TRUE(Logged(host, "[1] using cache " + sub));
  EXPECT_THAT(RemoteDirectoryBox().Items(), ElementsAre("/", "/pub/with space"));
  EXPECT_EQ(RemoteDirectoryBox().Selected(), std::optional<std::size_t>(1));
}

TEST_F(RemoteListingTest, PwdReplyWithoutQuotesFetchesAgainOnEveryVisit) {
  server.Answer("PWD", "257 MVS is the current directory");
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PWD", "SYST", "PASV", "LIST", "PWD", "PASV", "LIST"));
  EXPECT_EQ(engine::RemoteDir(), "undecipherable");
  EXPECT_THAT(RemoteDirectoryBox().Items(), ElementsAre("undecipherable"));
  EXPECT_FALSE(LoggedContaining(host, "using cache"));
  EXPECT_EQ(ListingCacheCount(), 2u);
  EXPECT_EQ(TemporaryFiles().size(), 2u);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "data.bin", "notes.txt"));
}

TEST_F(RemoteListingTest, DirectoryNameWithQuotesKeepsThem) {
  server.Answer("PWD", "257 \"/say \"\"hi\"\"\" is current directory.");
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(engine::RemoteDir(), "/say \"hi\"");
  EXPECT_EQ(RemoteDirectoryBox().Text(), "/say \"hi\"");
}

TEST_F(RemoteListingTest, CyberHostIsNotAskedPwdUnlessRefreshed) {
  server.ServeData("LIST", "FILE1     1   12   01/02/96  12.00.00  ANNA          00000037  LST\r\n");
  LogOn(6026);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PASV", "LIST"));
  EXPECT_EQ(engine::RemoteDir(), "undecipherable");
  EXPECT_TRUE(Logged(host, "Host type (I): CDC Cyber"));
  EXPECT_TRUE(engine::TheSession().UseCdup == false);

  RefreshRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PWD", "PASV", "LIST"));
  EXPECT_EQ(engine::RemoteDir(), "/");
}

TEST_F(RemoteListingTest, HostIsDetectedOncePerConnection) {
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  RefreshRemoteListing(RetrievalLock::Take);
  engine::CloseConnection();
  RetrieveRemoteListing(RetrievalLock::Take);  // not connected: no commands
  config::SessionProfile& profile = config::CurrentProfile();
  engine::TheSession().ControlSocket = engine::Logon(profile);
  ASSERT_NE(engine::TheSession().ControlSocket, -1);
  RetrieveRemoteListing(RetrievalLock::Take);
  std::vector<std::string> commands = server.Transcript();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "SYST"), 2) << ::testing::PrintToString(commands);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "PWD"), 3);
}

TEST_F(RemoteListingTest, RefreshAlwaysListsIntoTheSameCachedFile) {
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  const std::string listing = engine::ListingFile();
  NewCommands();
  RefreshRemoteListing(RetrievalLock::Take);
  RefreshRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PWD", "PASV", "LIST", "PWD", "PASV", "LIST"));
  EXPECT_EQ(CountLogged(host, "[S] forced new retrieve"), 2);
  EXPECT_EQ(engine::ListingFile(), listing);
  EXPECT_EQ(ListingCacheCount(), 1u);
  EXPECT_EQ(TemporaryFiles().size(), 1u);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "data.bin", "notes.txt"));
}

struct MaskCase {
  std::string mask;
  std::string retrieveCommand;
  std::string refreshCommand;
  std::vector<std::string> pane;
};

void PrintTo(const MaskCase& c, std::ostream* out) { *out << "mask \"" << c.mask << "\""; }

class RemoteMaskTest : public RemoteListingTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(RemoteMaskTest, RetrieveSendsTheMaskRefreshOnlyOneWithoutWildcards) {
  SetRemoteMask(GetParam().mask);
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PWD", "SYST", "PASV", GetParam().retrieveCommand));
  EXPECT_THAT(PaneTexts(), ElementsAreArray(GetParam().pane));
  RefreshRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(NewCommands(), ElementsAre("PWD", "PASV", GetParam().refreshCommand));
  EXPECT_THAT(PaneTexts(), ElementsAreArray(GetParam().pane));
}

const std::vector<std::string> WholePane = {"..", "sub", "data.bin", "notes.txt"};

INSTANTIATE_TEST_SUITE_P(Masks, RemoteMaskTest,
                         ::testing::Values(MaskCase{"", "LIST", "LIST", WholePane},
                                           MaskCase{"*.txt", "LIST *.txt", "LIST", {"..", "sub", "notes.txt"}},
                                           MaskCase{"d?ta.*", "LIST d?ta.*", "LIST", {"..", "sub", "data.bin"}},
                                           MaskCase{"sub", "LIST sub", "LIST sub", WholePane},
                                           MaskCase{"-la", "LIST -la", "LIST -la", WholePane},
                                           MaskCase{"100% done", "LIST 100% done", "LIST 100% done", WholePane},
                                           MaskCase{"sub   ", "LIST sub", "LIST sub", WholePane}));

TEST_F(RemoteListingTest, BusySessionRefusesALockedRetrieval) {
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  NewCommands();
  const std::vector<std::string> shown = PaneTexts();
  {
    SessionBusyMark mark;
    RetrieveRemoteListing(RetrievalLock::Take);
    RefreshRemoteListing(RetrievalLock::Take);
    EXPECT_THAT(NewCommands(), IsEmpty());
    EXPECT_EQ(CountLogged(host, "[E] busy, no retrieve"), 2);
    EXPECT_EQ(PaneTexts(), shown) << "nothing else changes";

    // A caller that holds the mark goes ahead.
    RefreshRemoteListing(RetrievalLock::AlreadyHeld);
    EXPECT_THAT(NewCommands(), ElementsAre("PWD", "PASV", "LIST"));
  }
  engine::SetWorkerBusy(true);
  RetrieveRemoteListing(RetrievalLock::Take);
  engine::SetWorkerBusy(false);
  EXPECT_THAT(NewCommands(), IsEmpty());
  EXPECT_EQ(CountLogged(host, "[E] busy, no retrieve"), 3);
  // The mark is released afterwards.
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_FALSE(IsSessionBusy());
  EXPECT_THAT(NewCommands(), ElementsAre("PWD"));
}

TEST_F(RemoteListingTest, FailedListLeavesThePaneEmptyAndIsNotCached) {
  server.Answer("LIST", "550 No such directory.");
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(RemotePane().Count(), 0u) << "not even \"..\"";
  EXPECT_TRUE(LoggedContaining(host, "DoDirList returned "));
  EXPECT_FALSE(Logged(host, "DoDirList returned 2"));
  EXPECT_EQ(ListingCacheCount(), 0u);
  EXPECT_THAT(TemporaryFiles(), IsEmpty());
  NewCommands();
  // The next visit asks the server again rather than showing an empty listing.
  RetrieveRemoteListing(RetrievalLock::Take);
  std::vector<std::string> commands = NewCommands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "LIST"), commands.end());
  EXPECT_FALSE(LoggedContaining(host, "using cache"));
}

TEST_F(RemoteListingTest, VanishedCachedFileShowsOnlyTheParentEntry) {
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  const std::string listing = engine::ListingFile();
  ASSERT_EQ(::unlink(listing.c_str()), 0);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_TRUE(Logged(host, "couldn't open " + listing + " for read."));
  EXPECT_THAT(PaneTexts(), ElementsAre(".."));
}

TEST_F(RemoteListingTest, RedisplayRebuildsFromTheCacheWithoutPwd) {
  LogOn();
  RetrieveRemoteListing(RetrievalLock::Take);
  NewCommands();
  config::Settings().RemoteSort = SortByName | SortReverse;
  RedisplayListing(RemotePaneNumber);
  EXPECT_THAT(NewCommands(), IsEmpty());
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "notes.txt", "data.bin"));
  EXPECT_EQ(CountLogged(host, "[0] using cache " + engine::ListingFile()), 1);

  // Without a cache entry it fetches, still without PWD, with the mask as it is.
  ClearListingCache();
  SetRemoteMask("*.bin");
  RedisplayListing(RemotePaneNumber);
  EXPECT_THAT(NewCommands(), ElementsAre("PASV", "LIST *.bin"));
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "data.bin"));
}

// --- connect and close through the engine's hooks ---

class ConnectionPanesTest : public RemoteListingTest {
 protected:
  void SetUp() override {
    RemoteListingTest::SetUp();
    ASSERT_TRUE(local.Valid());
    ASSERT_TRUE(local.WriteFile("main.c", "int main;"));
    ASSERT_TRUE(local.WriteFile("notes.txt", "n"));
    InstallPaneHooks();
  }
  void TearDown() override {
    engine::TheConnectionHooks() = engine::ConnectionHooks{};
    std::filesystem::current_path(savedDirectory);
    RemoteListingTest::TearDown();
  }
  testing::TemporaryDirectory local;
  fs::path savedDirectory = fs::current_path();
};

TEST_F(ConnectionPanesTest, ConnectFillsBothPanesAndCloseEmptiesThemAndTheCache) {
  server.Start();
  config::SessionProfile profile = testing::ProfileFor(server);
  profile.Passive = 1;
  profile.LocalDir = local.Path().string();
  profile.LocalMask = "*.c";
  profile.RemoteMask = "*.txt";
  host.QueueProfileDialog(profile);
  operations::ConnectCommand(engine::ConnectCommandId);
  ASSERT_NE(engine::TheSession().ControlSocket, -1);

  EXPECT_EQ(LocalMask(), "*.c");
  EXPECT_EQ(RemoteMask(), "*.txt");
  std::vector<std::string> localTexts;
  LocalPane().ForEachEntry([&](std::size_t, const ListingEntry& entry) { localTexts.push_back(entry.Text); });
  EXPECT_THAT(localTexts, ElementsAre("..", "main.c"));
  EXPECT_EQ(LocalDirectoryBox().Text(), fs::current_path().string());
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "notes.txt"));
  std::vector<std::string> commands = server.Transcript();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "LIST *.txt"), commands.end());
  EXPECT_EQ(RemoteDirectoryBox().Text(), "/");
  ASSERT_EQ(ListingCacheCount(), 1u);
  const std::string listing = engine::ListingFile();
  EXPECT_TRUE(fs::exists(listing));

  operations::ConnectCommand(engine::ConnectCommandId);  // the button now reads Close
  EXPECT_EQ(engine::TheSession().ControlSocket, -1);
  EXPECT_EQ(RemotePane().Count(), 0u);
  EXPECT_EQ(ListingCacheCount(), 0u);
  EXPECT_FALSE(fs::exists(listing));
  EXPECT_THAT(TemporaryFiles(), IsEmpty());
  EXPECT_THAT(RemoteDirectoryBox().Items(), IsEmpty());
  EXPECT_EQ(RemoteDirectoryBox().Text(), "");
  EXPECT_TRUE(Logged(host, "[S] forced new retrieve"));
}

}  // namespace
}  // namespace korval::listing
