// The parse loop: the file entry and its message, whole long lines,
// bad input for every rule set, and the Stratus VOS section state.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/host_type.h"
#include "engine/message_log.h"
#include "listing/entry_report.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"
#include "listing_fixture.h"
#include "platform/host.h"

namespace korval::listing {
namespace {

class RecordingHost : public platform::Host {
 public:
  RecordingHost() { platform::SetHost(this); }
  ~RecordingHost() override { platform::SetHost(nullptr); }
  void AppendToLogWindow(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

std::vector<std::string> Names(const PaneList& pane) {
  std::vector<std::string> names;
  pane.ForEachEntry([&names](std::size_t, const ListingEntry& e) { names.emplace_back(e.Name()); });
  return names;
}

ListingOptions UnixOptions() {
  ListingOptions options;
  options.HostType = 6010;
  options.Today = CalendarDate{1996, 6, 15};
  return options;
}

TEST(ParseListing, UnreadableFileLeavesOnlyTheParentEntryAndSaysSo) {
  RecordingHost host;
  PaneList pane;
  pane.Add(ListingEntry{});
  std::string path = "/nonexistent/korval/DIR1234.TMP";
  EXPECT_EQ(ParseListing(path, pane, UnixOptions()), 0);
  EXPECT_EQ(Names(pane), std::vector<std::string>{".."});
  EXPECT_TRUE(pane.IsVisible());
  ASSERT_FALSE(host.lines.empty());
  EXPECT_EQ(host.lines.back(), "couldn't open " + path + " for read.");
}

TEST(ParseListing, ReadsAListingFileAndRebuildsThePane) {
  std::filesystem::path path = korval::testing::UniqueTempPath("korval_parse_test_DIR");
  {
    std::ofstream out(path, std::ios::binary);
    out << "total 2\r\n-rw-r--r-- 1 u g 1803 May 22 14:05 b.txt\r\ndrwxr-xr-x 2 u g 512 May 22 14:05 a\r\n";
  }
  PaneList pane;
  AddDirEntry(pane, "stale");
  pane.SetSelected(0, true);
  EXPECT_EQ(ParseListing(path.string(), pane, UnixOptions()), 1);
  std::filesystem::remove(path);
  EXPECT_EQ(Names(pane), (std::vector<std::string>{"..", "a", "b.txt"}));  // CR LF line ends removed
  EXPECT_TRUE(pane.SelectedIndexes().empty());
}

TEST(ParseListing, LongLinesAreReadWhole) {
  // A UNIX line with a 250-character name is one entry with that whole name,
  // however much of it the display text shows.
  std::string longName(250, 'n');
  PaneList unix(NoSort);
  ParseListingText("-rw-r--r-- 1 u g 1803 May 22 14:05 " + longName + "\nshort\n", unix, UnixOptions());
  ASSERT_EQ(unix.Count(), 3u);
  EXPECT_EQ(unix.EntryAt(1)->CommandName(), longName);
  EXPECT_EQ(unix.EntryAt(1)->Size, 1803u);
  EXPECT_EQ(unix.EntryAt(2)->CommandName(), "short");

  // An 8 KiB line is one line; past 16 KiB a line keeps its start and the
  // rest is no line of its own.
  ListingOptions bare;
  bare.HostType = 6014;
  for (std::size_t length : {std::size_t{8192}, std::size_t{16 * 1024 - 1}, std::size_t{40000}}) {
    PaneList pane(NoSort);
    ParseListingText(std::string(length, 'a') + "\ny\n", pane, bare);
    ASSERT_EQ(pane.Count(), 3u) << length;
    EXPECT_EQ(pane.EntryAt(1)->CommandName(), std::string(std::min<std::size_t>(length, 16 * 1024), 'a')) << length;
    EXPECT_EQ(pane.EntryAt(2)->CommandName(), "y") << length;
  }
  // The same from a file read in blocks: a line that spans two reads.
  std::filesystem::path path = korval::testing::UniqueTempPath("korval_parse_test_long");
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(70000, 'b') << "\n" << std::string(65530, 'c') << "d\n";
  }
  PaneList fromFile(NoSort);
  EXPECT_EQ(ParseListing(path.string(), fromFile, bare), 1);
  std::filesystem::remove(path);
  ASSERT_EQ(fromFile.Count(), 3u);
  EXPECT_EQ(fromFile.EntryAt(1)->CommandName(), std::string(16 * 1024, 'b'));
  EXPECT_EQ(fromFile.EntryAt(2)->CommandName(), std::string(16 * 1024, 'c'));
}

TEST(ParseListing, StreamAndTextReadTheSame) {
  std::string text = "drwxr-xr-x 2 u g 512 May 22 14:05 d\n-rw-r--r-- 1 u g 9 May 22 14:05 f\n";
  PaneList fromText;
  ParseListingText(text, fromText, UnixOptions());
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  std::fwrite(text.data(), 1, text.size(), stream);
  std::rewind(stream);
  PaneList fromStream;
  EXPECT_EQ(ParseListingStream(stream, fromStream, UnixOptions()), 1);
  std::fclose(stream);
  EXPECT_EQ(Names(fromText), Names(fromStream));
  EXPECT_EQ(Names(fromText).size(), 3u);
}

TEST(ParseListing, NulByteEndsTheLinesText) {
  std::string text = std::string("-rw-r--r-- 1 u g 9 May 22 14:05 good\0bad", 40) + "\n";
  PaneList pane;
  ParseListingText(text, pane, UnixOptions());
  EXPECT_EQ(Names(pane), (std::vector<std::string>{"..", "good"}));
}

std::vector<std::string> BadLines() {
  std::vector<std::string> lines = {
      "",
      "      ",
      "\t\t\t",
      " \t \t ",
      "x",
      "d",
      "l",
      "-",
      ";",
      ".DIR;1",
      "*MEM",
      " PO ",
      "Files:",
      "Links:",
      "Dirs:",
      "-rw-r--r-- 1 u g 123456789012345678901234567890 M 1 1:1 n",
      "-rw-r--r-- 1 u g 1 J 123456789012345678901234567890 123456789012345678901234567890:99 n",
      "- [R] u g 1 J 9 123456789012345678901234567890 1:1 p n",
      "lrwx 1 u g 1 May 1 1:1 a ->",
      "lrwx 1 u g 1 May 1 1:1  -> ",
      "d ->",
      std::string(200, ' ') + "x",
      std::string(300, '.'),
      std::string(300, '/'),
      std::string(178, '-') + "\r",
      // Half-made fields for the readers that find fields by what they are.
      "-rw 1 u g 1.2.3k May 22, 14:05 x",
      "-rw 1 u g 99999999999999999999T May 22 99999 n",
      "-rw 1 u g 5 May 99, 1996 x",
      "-rw 1 u g 5 12-May- 14:05 x",
      "-rw 1 u g 5 1-2-3-4 x",
      "-rw 1 u g 5 22-May-9999999 x",
      "-rw 1 u g 5 00-00-0000 00:00 x",
      "-rw 1 u g 5 9999/99/99 99:99:99.9 x",
      "05-22-2003 14:05 <DIR>",
      "05-22-2003 14:05 PM",
      "05-22-2003",
      "QSYS 1 99/99/99 25:61 *DIR x",
      "QSYS 1 12/31/99 23:59:59 *DIR",
      "* *DIR /",
      "M 01.00",
      "Migrated",
      "Pseudo Directory",
      "WORK01 3390 2003/05/22 PO",
      "A;1",
      "  ",
      "A;1",
      "X 1 5000000000000000000000 31-Dec-99 23:59:59",
      "  1 DIR 01-01-999 0:00 n",
      "  1 A 13-32-96 0:00 n",
  };
  // Lines that reach just past each column the rules look at.
  for (std::size_t length : {8u, 9u, 10u, 12u, 13u, 14u, 20u, 21u, 29u, 30u, 31u, 36u, 37u, 38u, 39u, 40u, 41u,
                             42u, 44u, 45u, 53u, 54u, 55u, 56u, 58u, 59u, 60u, 70u, 71u, 72u, 76u, 77u, 78u}) {
    lines.push_back(std::string(length, '9'));
    lines.push_back(std::string(length, ' ') + "z");
    lines.push_back("d" + std::string(length, '.'));
    lines.push_back(std::string(length, 'a') + " PO " + std::string(length, 'b'));
  }
  std::mt19937 random(1234);
  for (int i = 0; i < 200; ++i) {
    std::string garbage(random() % 400, '\0');
    for (char& c : garbage) c = static_cast<char>(random() % 256);
    lines.push_back(garbage);
  }
  return lines;
}

TEST(ParseListing, BadInputNeverBreaksAnyRuleSet) {
  std::string text;
  for (const std::string& line : BadLines()) text += line + "\n";
  text += "no line end at the end";
  for (std::uint32_t type = engine::FirstHostType; type <= engine::LastHostType + 1; ++type) {
    for (bool vlink : {false, true}) {
      ListingOptions options;
      options.HostType = type;
      options.VLink = vlink;
      options.RemoteDir = "/";
      options.UserId = "JOE";
      options.RemoteMask = "*";
      options.Today = CalendarDate{2000, 1, 1};
      PaneList pane;
      ClearVosSectionState();
      ParseListingText(text, pane, options);
      // Whatever the rules made of it, every entry is well formed.
      pane.ForEachEntry([type](std::size_t, const ListingEntry& entry) {
        EXPECT_LE(static_cast<std::size_t>(entry.NameLength), entry.Text.size()) << type;
        EXPECT_EQ(entry.Text.find('\0'), std::string::npos) << type;
        EXPECT_TRUE(entry.Kind == DirectoryKind || entry.Kind == LinkKind || entry.Kind == FileKind ||
                    entry.Kind == AsciiFileKind)
            << type;
        if (entry.Kind != DirectoryKind && entry.Kind != LinkKind) {
          EXPECT_LE(entry.Text.size(), DisplayTextCapacity) << type;
        }
        // A date kept in the entry is a real one.
        if (entry.IsDated()) {
          EXPECT_TRUE(entry.Month >= 1 && entry.Month <= 12 && entry.Day >= 1 && entry.Day <= 31 &&
                      entry.Hour <= 23 && entry.Minute <= 59)
              << type << " " << entry.Text;
          EXPECT_EQ(entry.Year, entry.FullYear % 100) << type;
        }
      });
      EXPECT_EQ(pane.EntryAt(0).value_or(ListingEntry{}).Text, "..") << type;
    }
  }
}

TEST(VosSections, StateLastsAcrossParsesUntilCleared) {
  ListingOptions options;
  options.HostType = 6031;
  options.VLink = false;
  ClearVosSectionState();
  PaneList pane;
  ParseListingText("Links: 1\n         96-05-22 14:05:12  latest -> %s#m1>joe>release\n", pane, options);
  EXPECT_TRUE(TheVosSectionState().Links);
  // A second parse of the same section's lines, without its header, still reads links.
  ParseListingText("         96-05-22 14:05:12  other -> %s#m1>joe>x\n", pane, options);
  ASSERT_EQ(pane.Count(), 2u);
  EXPECT_EQ(pane.EntryAt(1)->Kind, LinkKind);
  EXPECT_EQ(pane.EntryAt(1)->Name(), "other");
  ClearVosSectionState();
  ParseListingText("         96-05-22 14:05:12  other -> %s#m1>joe>x\n", pane, options);
  EXPECT_EQ(pane.Count(), 1u);
  // Each header clears the other two sections.
  ParseListingText("Files: 1\nDirs: 1\n", pane, options);
  EXPECT_FALSE(TheVosSectionState().Files);
  EXPECT_TRUE(TheVosSectionState().Directories);
  EXPECT_FALSE(TheVosSectionState().Links);
  ClearVosSectionState();
}

TEST(HostTypes, FortyOneDisplayNames) {
  EXPECT_EQ(engine::HostTypeName(6000), "Automatic detect");
  EXPECT_EQ(engine::HostTypeName(6010), "UNIX (standard)");
  EXPECT_EQ(engine::HostTypeName(6019), "PDP11 RSX11M");
  EXPECT_EQ(engine::HostTypeName(6040), "MAC VersaTerm");
  EXPECT_EQ(engine::HostTypeName(engine::HostType::MicrosoftNt), "Microsoft NT");
  EXPECT_TRUE(engine::HostTypeName(5999).empty());
  EXPECT_TRUE(engine::HostTypeName(6041).empty());
}

}  // namespace
}  // namespace korval::listing
