// The remote pane against vsftpd and pyftpdlib: after the Connect button the
// pane shows what the test put in the server's directory; changing into a
// directory and back is answered by the listing cache; Refresh always lists;
// the twentieth directory drops the first from the cache; the Close button
// empties the cache and deletes its files.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/ftp_commands.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "engine/message_log.h"
#include "engine/remote_dir.h"
#include "engine/session.h"
#include "listing/directory_box.h"
#include "listing/listing_cache.h"
#include "listing/listing_entry.h"
#include "listing/pane_hooks.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "listing/remote_listing.h"
#include "operations/connect_command.h"
#include "platform/fs.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::listing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// 4 March 2021, 05:06 UTC: old enough for both servers to show the year.
constexpr std::time_t OldTime = 1614834360;

struct Expected {
  std::string text;
  std::int32_t kind;
  std::uint64_t size;
};

std::string LongText(const std::string& name, const std::string& date, std::uint64_t size) {
  std::string padded = name;
  if (padded.size() < 12) padded.resize(12, ' ');
  std::string sizeText = std::to_string(size);
  return padded + "\t| " + date + " " + std::string(10 - sizeText.size(), ' ') + sizeText;
}

class RemotePaneTest : public testing::RealServerTest {
 protected:
  void SetUp() override {
    RealServerTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(local.Valid() && temporary.Valid());
    engine::ResetSession();
    engine::ResetCommandEngine();
    engine::ResetMessageLog();
    config::ResetProgramSettings();
    config::Settings().Verbose = 1;
    config::Settings().LongDirectory = 1;
    config::Settings().RemoteSort = SortByName;
    config::Settings().LocalSort = SortByName;
    config::ProgramFiles().ConfigPath = local.FilePath("KORVAL.INI").string();
    config::ProgramFiles().ExtensionsPath = local.FilePath("KORVAL.EXT").string();  // none: ".TXT" decides
    platform::SetHost(&host);
    platform::SetTemporaryDirectoryOverride(temporary.Path().string());
    ClearListingCache();
    ResetPaneLists();
    ResetDirectoryBoxes();
    ResetPaneMasks();
    InstallPaneHooks();
  }

  void TearDown() override {
    if (engine::TheSession().ControlSocket != -1) operations::DisconnectCommand();
    ClearListingCache();
    ResetPaneLists();
    ResetDirectoryBoxes();
    ResetPaneMasks();
    engine::TheConnectionHooks() = engine::ConnectionHooks{};
    platform::SetTemporaryDirectoryOverride(std::nullopt);
    platform::SetHost(nullptr);
    config::ProgramFiles() = config::ProgramFilePaths{};
    engine::ResetSession();
    fs::current_path(savedDirectory);
    RealServerTest::TearDown();
  }

  void Put(const std::string& name, const std::string& bytes, std::time_t time = OldTime) {
    ASSERT_TRUE(Server().WriteFile(name, bytes));
    timespec times[2] = {{time, 0}, {time, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Server().PathOf(name).c_str(), times, 0), 0);
  }
  void PutDirectory(const std::string& name) {
    ASSERT_TRUE(Server().MakeDirectory(name));
    timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Server().PathOf(name).c_str(), times, 0), 0);
  }

  // The Connect button with a profile for the server; the remote pane is
  // retrieved by the connect hooks.
  void Connect(const std::string& remoteMask = "") {
    config::SessionProfile profile;
    profile.Name = "real";
    profile.Host = Server().Host();
    profile.Port = Server().Port();
    profile.User = Server().User();
    profile.Password = Server().Password();
    profile.Passive = 1;
    profile.Timeout = 20;
    profile.LocalDir = local.Path().string();
    profile.RemoteMask = remoteMask;
    host.QueueProfileDialog(profile);
    operations::ConnectCommand(engine::ConnectCommandId);
    ASSERT_NE(engine::TheSession().ControlSocket, -1);
  }

  int Socket() const { return engine::TheSession().ControlSocket; }

  // The commands of the dialogue: "LIST", "LIST *.txt", ...
  int LoggedCount(const std::string& line) const {
    std::vector<std::string> lines = host.LogWindowLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }

  std::vector<std::string> PaneTexts() const {
    std::vector<std::string> texts;
    RemotePane().ForEachEntry([&](std::size_t, const ListingEntry& entry) { texts.push_back(entry.Text); });
    return texts;
  }

  std::set<std::string> ListingFiles() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(temporary.Path())) names.insert(entry.path().filename());
    return names;
  }

  testing::ScriptedHost host;
  testing::TemporaryDirectory local;
  testing::TemporaryDirectory temporary;
  fs::path savedDirectory = fs::current_path();
};

TEST_P(RemotePaneTest, AfterConnectThePaneShowsTheServersDirectory) {
  Put("notes.txt", std::string(1803, 'n'));
  Put("data.bin", "12345");
  Put("with space.bin", "abc");
  Put("-dash.bin", "ab");
  Put("100%.txt", "%s%n");
  Put("quo\"te.bin", "q");
  PutDirectory("sub");
  PutDirectory("another dir");
  // Within the last half year the servers show the time instead of the year.
  const std::time_t recent = (std::time(nullptr) - 3 * 86400) / 60 * 60;
  Put("recent.bin", "1234567", recent);
  std::tm parts{};
  ::gmtime_r(&recent, &parts);  // both servers list times in UTC
  char recentDate[16];
  std::strftime(recentDate, sizeof recentDate, "%y%m%d %H:%M", &parts);

  Connect();

  const std::vector<Expected> expected = {
      {"..", DirectoryKind, 0},
      {"another dir", DirectoryKind, 0},
      {"sub", DirectoryKind, 0},
      {LongText("-dash.bin", "210304 00:00", 2), FileKind, 2},
      {LongText("100%.txt", "210304 00:00", 4), AsciiFileKind, 4},
      {LongText("data.bin", "210304 00:00", 5), FileKind, 5},
      {LongText("notes.txt", "210304 00:00", 1803), AsciiFileKind, 1803},
      {LongText("quo\"te.bin", "210304 00:00", 1), FileKind, 1},
      {LongText("recent.bin", recentDate, 7), FileKind, 7},
      {LongText("with space.bin", "210304 00:00", 3), FileKind, 3},
  };
  std::vector<Expected> shown;
  RemotePane().ForEachEntry([&](std::size_t, const ListingEntry& entry) {
    shown.push_back({entry.Text, entry.Kind, entry.Size});
    EXPECT_EQ(entry.Pane, RemotePaneNumber);
  });
  ASSERT_EQ(shown.size(), expected.size()) << ::testing::PrintToString(PaneTexts());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(shown[i].text, expected[i].text);
    EXPECT_EQ(shown[i].kind, expected[i].kind) << expected[i].text;
    EXPECT_EQ(shown[i].size, expected[i].size) << expected[i].text;
  }
  EXPECT_EQ(engine::RemoteDir(), "/");
  EXPECT_EQ(RemoteDirectoryBox().Text(), "/");
  EXPECT_EQ(engine::TheSession().HostType, 6010u);
  EXPECT_EQ(LoggedCount("LIST"), 1);
  EXPECT_EQ(LoggedCount("SYST"), 1);
  ASSERT_EQ(ListingCacheCount(), 1u);
  EXPECT_EQ(fs::path(engine::ListingFile()).parent_path(), temporary.Path());
}

TEST_P(RemotePaneTest, IntoASubdirectoryAndBackIsAnsweredByTheCache) {
  Put("top.bin", "t");
  Put("sub dir/inner.txt", "inner");
  Put("say \"hi\"/quoted.bin", "q");
  config::Settings().LongDirectory = 0;
  Connect();
  const std::string rootFile = engine::ListingFile();
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "say \"hi\"", "sub dir", "top.bin"));

  ASSERT_EQ(engine::ChangeRemoteDir(Socket(), "sub dir"), 2);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(engine::RemoteDir(), "/sub dir");
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "inner.txt"));
  const std::string subFile = engine::ListingFile();

  ASSERT_EQ(engine::ChangeRemoteDir(Socket(), ".."), 2);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "say \"hi\"", "sub dir", "top.bin"));
  EXPECT_EQ(LoggedCount("[0] using cache " + rootFile), 1);
  EXPECT_EQ(LoggedCount("LIST"), 2) << "no second LIST for the root";

  // A name with quotes comes back whole from PWD, so it has a cache entry
  // of its own and the way back to it works.
  ASSERT_EQ(engine::ChangeRemoteDir(Socket(), "say \"hi\""), 2);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(engine::RemoteDir(), "/say \"hi\"");
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "quoted.bin"));
  ASSERT_EQ(engine::ChangeRemoteDir(Socket(), "/sub dir"), 2);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(LoggedCount("[1] using cache " + subFile), 1);
  ASSERT_EQ(engine::ChangeRemoteDir(Socket(), RemoteDirectoryBox().Items()[1]), 2);  // the box's "/say \"hi\""
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "quoted.bin"));
  EXPECT_EQ(LoggedCount("LIST"), 3);
  EXPECT_THAT(RemoteDirectoryBox().Items(), ElementsAre("/", "/say \"hi\"", "/sub dir"));
  EXPECT_EQ(ListingCacheCount(), 3u);
}

TEST_P(RemotePaneTest, RefreshAlwaysSendsList) {
  Put("first.bin", "1");
  config::Settings().LongDirectory = 0;
  Connect();
  const std::string listing = engine::ListingFile();
  Put("second.bin", "2");
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "first.bin")) << "the cache still shows the old listing";
  EXPECT_EQ(LoggedCount("LIST"), 1);

  RefreshRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "first.bin", "second.bin"));
  RefreshRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(LoggedCount("LIST"), 3);
  EXPECT_EQ(LoggedCount("PWD"), 4);
  EXPECT_EQ(LoggedCount("[S] forced new retrieve"), 2);
  EXPECT_EQ(engine::ListingFile(), listing) << "the cached file is fetched into again";
  EXPECT_EQ(ListingFiles().size(), 1u);
  // The cache now holds the refreshed listing.
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "first.bin", "second.bin"));
  EXPECT_EQ(LoggedCount("LIST"), 3);
}

TEST_P(RemotePaneTest, WildcardMaskGoesToTheServerOnRetrieveAndFiltersHereOnRefresh) {
  Put("first.bin", "1");
  Put("notes.txt", "2");
  PutDirectory("sub");
  config::Settings().LongDirectory = 0;
  Connect("*.bin");
  EXPECT_EQ(LoggedCount("LIST *.bin"), 1);
  if (GetParam() == testing::ServerKind::Vsftpd) {
    // vsftpd expands the pattern itself.
    EXPECT_THAT(PaneTexts(), ElementsAre("..", "first.bin"));
  } else {
    // pyftpdlib knows no patterns: 550, and the pane stays empty.
    EXPECT_THAT(PaneTexts(), IsEmpty());
    EXPECT_EQ(LoggedCount("DoDirList returned 0"), 1);
    EXPECT_EQ(ListingCacheCount(), 0u);
  }
  RefreshRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(LoggedCount("LIST"), 1);
  EXPECT_THAT(PaneTexts(), ElementsAre("..", "sub", "first.bin"));
}

TEST_P(RemotePaneTest, TwentiethDirectoryDropsTheFirstEntryAndItsFile) {
  std::vector<std::string> directories;
  for (int i = 1; i <= 19; ++i) {
    std::string name = (i < 10 ? "d0" : "d") + std::to_string(i);
    PutDirectory(name);
    directories.push_back("/" + name);
  }
  Connect();  // the root is the first directory
  const std::string rootFile = engine::ListingFile();
  std::vector<std::string> files = {rootFile};
  for (const std::string& directory : directories) {
    ASSERT_EQ(engine::ChangeRemoteDir(Socket(), directory), 2);
    RetrieveRemoteListing(RetrievalLock::Take);
    files.push_back(engine::ListingFile());
  }
  EXPECT_EQ(LoggedCount("LIST"), 20);
  EXPECT_EQ(ListingCacheCount(), 19u);
  EXPECT_FALSE(fs::exists(rootFile));
  for (std::size_t i = 1; i < files.size(); ++i) EXPECT_TRUE(fs::exists(files[i])) << files[i];
  EXPECT_EQ(ListingFiles().size(), 19u);
  std::vector<CachedListing> cached = CachedListings();
  EXPECT_EQ(cached.front().Directory, "/d01");
  EXPECT_EQ(cached.back().Directory, "/d19");

  // The root is fetched again; "/d01" (now the oldest) makes room for it.
  ASSERT_EQ(engine::ChangeRemoteDir(Socket(), "/"), 2);
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(LoggedCount("LIST"), 21);
  EXPECT_FALSE(fs::exists(files[1]));
  EXPECT_EQ(CachedListings().front().Directory, "/d02");
  EXPECT_EQ(PaneTexts().size(), 20u);
}

TEST_P(RemotePaneTest, CloseEmptiesTheCacheAndDeletesEveryListingFile) {
  PutDirectory("a");
  PutDirectory("b");
  Connect();
  for (const char* directory : {"/a", "/b"}) {
    ASSERT_EQ(engine::ChangeRemoteDir(Socket(), directory), 2);
    RetrieveRemoteListing(RetrievalLock::Take);
  }
  ASSERT_EQ(ListingCacheCount(), 3u);
  ASSERT_EQ(ListingFiles().size(), 3u);

  operations::ConnectCommand(engine::ConnectCommandId);  // the button reads Close now

  EXPECT_EQ(engine::TheSession().ControlSocket, -1);
  EXPECT_EQ(LoggedCount("QUIT"), 1);
  EXPECT_EQ(ListingCacheCount(), 0u);
  EXPECT_THAT(ListingFiles(), IsEmpty());
  EXPECT_EQ(RemotePane().Count(), 0u);
  EXPECT_THAT(RemoteDirectoryBox().Items(), IsEmpty());
  EXPECT_EQ(RemoteDirectoryBox().Text(), "");
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(RemotePaneTest);

}  // namespace
}  // namespace korval::listing
