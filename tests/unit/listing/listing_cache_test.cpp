// The listing cache's table and files, the directory text of PWD replies,
// the directory boxes and the session's busy mark; the retrievals over a
// connection are tested against servers (tests/protocol, tests/integration).

#include "listing/listing_cache.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/listing_file.h"
#include "engine/session.h"
#include "listing/directory_box.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"
#include "listing/remote_entries.h"
#include "listing/remote_listing.h"
#include "platform/fs.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::listing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::set<std::string> FilesIn(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

class ListingCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temporary.Valid());
    platform::SetTemporaryDirectoryOverride(temporary.Path().string());
    ClearListingCache();
    ResetDirectoryBoxes();
  }
  void TearDown() override {
    ClearListingCache();
    ResetDirectoryBoxes();
    engine::SetListingFile({});
    platform::SetTemporaryDirectoryOverride(std::nullopt);
  }
  testing::TemporaryDirectory temporary;
};

TEST_F(ListingCacheTest, NewDirectoryGetsANewListingFileAndAVisitedOneItsOwn) {
  EXPECT_EQ(LookupListingCache("/pub"), NewCacheEntry);
  const std::string pub = engine::ListingFile();
  EXPECT_EQ(fs::path(pub).parent_path(), temporary.Path());
  EXPECT_EQ(fs::path(pub).filename().string().substr(0, 3), "DIR");
  EXPECT_TRUE(fs::exists(pub));
  EXPECT_EQ(LookupListingCache("/pub/sub"), NewCacheEntry);
  const std::string sub = engine::ListingFile();
  EXPECT_NE(sub, pub);

  EXPECT_EQ(LookupListingCache("/pub"), 0);
  EXPECT_EQ(engine::ListingFile(), pub);
  EXPECT_EQ(LookupListingCache("/pub/sub"), 1);
  EXPECT_EQ(engine::ListingFile(), sub);
  // Directory texts are compared exactly.
  EXPECT_EQ(LookupListingCache("/PUB"), NewCacheEntry);
  EXPECT_EQ(LookupListingCache("/pub/"), NewCacheEntry);
  EXPECT_EQ(ListingCacheCount(), 4u);
}

TEST_F(ListingCacheTest, UndecipherableDirectoryNeverHits) {
  EXPECT_EQ(LookupListingCache("undecipherable"), NewCacheEntry);
  const std::string first = engine::ListingFile();
  EXPECT_EQ(LookupListingCache("undecipherable"), NewCacheEntry);
  EXPECT_NE(engine::ListingFile(), first);
  EXPECT_EQ(ListingCacheCount(), 2u);
}

TEST_F(ListingCacheTest, TwentiethDirectoryDropsTheFirstAndDeletesItsFile) {
  std::vector<std::string> paths;
  for (int i = 1; i <= 19; ++i) {
    ASSERT_EQ(LookupListingCache("/d" + std::to_string(i)), NewCacheEntry);
    paths.push_back(engine::ListingFile());
  }
  EXPECT_EQ(ListingCacheCount(), ListingCacheCapacity);
  ASSERT_EQ(LookupListingCache("/d20"), NewCacheEntry);
  EXPECT_EQ(ListingCacheCount(), 19u);
  EXPECT_FALSE(fs::exists(paths[0]));
  EXPECT_TRUE(fs::exists(paths[1]));
  std::vector<CachedListing> cached = CachedListings();
  EXPECT_EQ(cached.front().Directory, "/d2");
  EXPECT_EQ(cached.front().Path, paths[1]);
  EXPECT_EQ(cached.back().Directory, "/d20");
  EXPECT_EQ(LookupListingCache("/d2"), 0) << "the others moved up by one";
  EXPECT_EQ(LookupListingCache("/d1"), NewCacheEntry);
  EXPECT_EQ(FilesIn(temporary.Path()).size(), 19u) << "one file per entry, no leftovers";
}

TEST_F(ListingCacheTest, ClearDeletesEveryFileAndEmptiesTheRemoteDirectoryList) {
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  for (const char* directory : {"/a", "/b", "undecipherable"}) {
    LookupListingCache(directory);
    RemoteDirectoryBox().Show(directory);
  }
  ASSERT_EQ(FilesIn(temporary.Path()).size(), 3u);
  ClearListingCache();
  EXPECT_EQ(ListingCacheCount(), 0u);
  EXPECT_TRUE(FilesIn(temporary.Path()).empty());
  EXPECT_TRUE(RemoteDirectoryBox().Items().empty());
  EXPECT_EQ(host.CallsTo("DirectoryBoxChanged").back().text, std::to_string(RemoteDirectoryBoxId));
  EXPECT_EQ(LookupListingCache("/a"), NewCacheEntry);
}

TEST_F(ListingCacheTest, ForgettingAFailedFetchDropsOnlyThatEntry) {
  LookupListingCache("/a");
  LookupListingCache("undecipherable");
  const std::string failed = engine::ListingFile();
  LookupListingCache("undecipherable");
  ForgetCachedListing(failed);
  EXPECT_FALSE(fs::exists(failed));
  std::vector<CachedListing> cached = CachedListings();
  ASSERT_EQ(cached.size(), 2u);
  EXPECT_EQ(cached[0].Directory, "/a");
  EXPECT_NE(cached[1].Path, failed);
}

TEST_F(ListingCacheTest, MissingTemporaryDirectoryAddsNoEntry) {
  platform::SetTemporaryDirectoryOverride((temporary.Path() / "missing").string());
  EXPECT_EQ(LookupListingCache("/a"), NewCacheEntry);
  EXPECT_EQ(engine::ListingFile(), "");
  EXPECT_EQ(ListingCacheCount(), 0u);
}

TEST_F(ListingCacheTest, EveryLookupClearsTheStratusVosSection) {
  ListingOptions options;
  options.HostType = 6031;
  options.LongDir = false;
  const std::string entryLine = "w        4  1 1996-05-22 14:05:00 report.txt";
  PaneList pane;
  ParseListingText("Files: 1\n" + entryLine + "\n", pane, options);
  ASSERT_EQ(pane.Count(), 2u);
  // The section lasts into the next listing of the same host...
  ParseListingText(entryLine + "\n", pane, options);
  ASSERT_EQ(pane.Count(), 2u);
  // ...but not past a retrieval's cache lookup, hit or miss.
  LookupListingCache("/a");
  ParseListingText(entryLine + "\n", pane, options);
  EXPECT_EQ(pane.Count(), 1u);
  ParseListingText("Files: 1\n" + entryLine + "\n", pane, options);
  LookupListingCache("/a");
  ParseListingText(entryLine + "\n", pane, options);
  EXPECT_EQ(pane.Count(), 1u);
}

// --- the directory of a PWD reply ---

TEST(RemoteDirFromPwdReply, QuotedTextOfTheReply) {
  struct Case {
    std::string reply;
    std::string directory;
  };
  const std::vector<Case> cases = {
      {"257 \"/home/anna\" is current directory.", "/home/anna"},
      {"257 \"/\"", "/"},
      {"257 '/usr/anna' is the current directory", "/usr/anna"},
      {"257 \"DKA0:[ANNA.WORK]\" is current directory.", "DKA0:[ANNA.WORK]"},
      {"257 \"/with space/-dash/100%\" ok", "/with space/-dash/100%"},
      {"257 \"/say \"\"hi\"\"\" is current directory.", "/say \"hi\""},  // quotes doubled inside
      {"257 \"/it's\" ok", "/it's"},
      {"257 '/a\"b' odd", "b"},            // a double quote anywhere opens before an apostrophe
      {"257 \"/no end", "/no end"},         // no closing quote: the rest of the line
      {"257 \"/open 'half", "/open "},      // nor a double quote: the first apostrophe ends
      {"257 MVS is current directory", "undecipherable"},
      {"257", "undecipherable"},
      {"", "undecipherable"},
      {"257 \"\" empty", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RemoteDirFromPwdReply(c.reply), c.directory) << c.reply;

  // At most 250 characters are taken.
  const std::string longDirectory = "/" + std::string(300, 'd');
  EXPECT_EQ(RemoteDirFromPwdReply("257 \"" + longDirectory + "\" ok"), longDirectory.substr(0, 250));
}

// --- directory boxes ---

TEST(DirectoryBox, ShowListsEachTextOnceSortedAndSelectsIt) {
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  DirectoryBox box(961);
  box.Show("/pub");
  box.Show("/Home");
  box.Show("/pub");
  box.Show("/apps");
  EXPECT_THAT(box.Items(), ElementsAre("/apps", "/Home", "/pub"));
  EXPECT_EQ(box.Selected(), std::optional<std::size_t>(0));
  box.Show("/pub");
  EXPECT_EQ(box.Selected(), std::optional<std::size_t>(2));
  EXPECT_EQ(box.Text(), "/pub");

  box.SetText("");
  EXPECT_EQ(box.Selected(), std::nullopt);
  EXPECT_EQ(box.Text(), "");
  box.Show("");
  EXPECT_EQ(box.Items().size(), 3u) << "an empty text is no item";
  box.ClearList();
  EXPECT_TRUE(box.Items().empty());
  EXPECT_EQ(host.CallsTo("DirectoryBoxChanged").size(), 8u);
  for (const testing::HostCall& call : host.CallsTo("DirectoryBoxChanged")) EXPECT_EQ(call.text, "961");
}

// --- the busy mark ---

TEST(SessionBusy, MarkCommandsWorkerAndDataLoopsMakeTheSessionBusy) {
  engine::ResetSession();
  EXPECT_FALSE(IsSessionBusy());
  {
    SessionBusyMark mark;
    EXPECT_TRUE(IsSessionBusy());
    {
      SessionBusyMark inner;
      EXPECT_TRUE(IsSessionBusy());
    }
    EXPECT_TRUE(IsSessionBusy()) << "an inner mark leaves the outer one set";
  }
  EXPECT_FALSE(IsSessionBusy());
  {
    engine::BusyScope busy;
    EXPECT_TRUE(IsSessionBusy());
  }
  engine::TheSession().CommandActive = true;
  EXPECT_TRUE(IsSessionBusy());
  engine::TheSession().CommandActive = false;
  engine::SetWorkerBusy(true);
  EXPECT_TRUE(IsSessionBusy());
  engine::SetWorkerBusy(false);
  EXPECT_FALSE(IsSessionBusy());
}

TEST(RetrieveRemoteListing, WithoutConnectionEmptiesThePaneAndTheBoxText) {
  engine::ResetSession();
  testing::ScriptedHost host;
  testing::ScopedHost installed(host);
  AddParentEntry(RemotePane());
  RemoteDirectoryBox().Show("/old");
  RetrieveRemoteListing(RetrievalLock::Take);
  EXPECT_EQ(RemotePane().Count(), 0u);
  EXPECT_EQ(RemoteDirectoryBox().Text(), "");
  EXPECT_THAT(RemoteDirectoryBox().Items(), ElementsAre("/old"));

  // Busy, a locked retrieval changes nothing.
  AddParentEntry(RemotePane());
  {
    SessionBusyMark mark;
    RetrieveRemoteListing(RetrievalLock::Take);
    RefreshRemoteListing(RetrievalLock::Take);
  }
  EXPECT_EQ(RemotePane().Count(), 1u);
  RedisplayListing(RemotePaneNumber);
  EXPECT_EQ(RemotePane().Count(), 0u);
  ResetDirectoryBoxes();
  ResetPaneLists();
}

}  // namespace
}  // namespace korval::listing
