// The ASCII extension list file and its name test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ascii_extensions.h"
#include "tests/support/temporary_directory.h"

namespace korval::config {
namespace {

TEST(AsciiExtensionList, ReadsTheFileInNineCharacterPieces) {
  korval::testing::TemporaryDirectory directory;
  ASSERT_TRUE(directory.WriteFile("KORVAL.EXT", ".TXT\r\n.C\n.\n\n.VERYLONGEXT\n.HTML"));
  AsciiExtensionList list = AsciiExtensionList::Load(directory.FilePath("KORVAL.EXT").string());
  EXPECT_FALSE(list.IsMissing());
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{".TXT", ".C", ".", "", ".VERYLONG", "EXT", ".HTML"}));
  EXPECT_TRUE(list.Matches("readme.txt"));
  EXPECT_TRUE(list.Matches(".txt"));       // equal to an entry
  EXPECT_TRUE(list.Matches("MAIN.C;4"));   // the version does not count
  EXPECT_TRUE(list.Matches("index.html"));
  EXPECT_TRUE(list.Matches("TEXT"));       // the second piece of the long line
  EXPECT_FALSE(list.Matches("a.VERYLONGEXT.gz"));
  EXPECT_FALSE(list.Matches("x."));        // one-character entries are ignored
  EXPECT_FALSE(list.Matches("a.txt.gz"));
}

TEST(AsciiExtensionList, WithoutTheFileOnlyTxtNamesCount) {
  AsciiExtensionList list = AsciiExtensionList::Load("/nonexistent/KORVAL.EXT");
  EXPECT_TRUE(list.IsMissing());
  EXPECT_TRUE(list.Matches("a.TxT"));
  EXPECT_TRUE(list.Matches("a.txt;2"));
  EXPECT_FALSE(list.Matches(".txt"));  // four characters are not enough
  EXPECT_FALSE(list.Matches("a.txt.doc"));
}

}  // namespace
}  // namespace korval::config
