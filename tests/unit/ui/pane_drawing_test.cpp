// A file list entry's picture and the places of its text pieces.

#include "ui/logic/pane_drawing.h"

#include <gtest/gtest.h>

#include "listing/listing_entry.h"

namespace korval::ui::logic {
namespace {

TEST(PictureFor, KindBitsInOrderOfPrecedence) {
  struct Case {
    std::int32_t kind;
    const char* text;
    EntryPicture picture;
  } cases[] = {
      {listing::DriveKind, "[-c-]", EntryPicture::Drive},
      {listing::DriveKind | listing::DirectoryKind, "[-c-]", EntryPicture::Drive},
      {listing::DirectoryKind, "..", EntryPicture::ParentDirectory},
      {listing::DirectoryKind, "..  ", EntryPicture::Directory},  // only the exact ".." text
      {listing::DirectoryKind, "src", EntryPicture::Directory},
      {listing::LinkKind, "lib", EntryPicture::Link},
      {listing::AsciiFileKind, "a.txt", EntryPicture::TextFile},
      {listing::FileKind, "a.bin", EntryPicture::File},
  };
  for (const Case& c : cases) EXPECT_EQ(PictureFor(c.kind, c.text), c.picture) << c.kind << " " << c.text;
}

TEST(PlaceTabbedText, TabsMoveToTheNextStop) {
  // Every character 6 pixels wide, average character width 6: stops at 50,
  // 55, 60 from the item's edge, then every 48 pixels from the origin (20).
  auto width = [](std::string_view s) { return static_cast<int>(s.size()) * 6; };
  struct Case {
    std::string_view text;
    int startX;
    std::vector<TextPiece> pieces;
  } cases[] = {
      {"| 960522", 20, {{"| 960522", 20}}},
      {"\t| 960522", 26, {{"| 960522", 50}}},
      {"\t| x", 52, {{"| x", 55}}},
      {"\t| x", 60, {{"| x", 68}}},     // past the last stop: 20 + 48
      {"\t| x", 100, {{"| x", 116}}},   // 20 + 2 * 48
      {"\t\tx", 20, {{"x", 55}}},       // two tabs, two stops
      {"a\tb\t", 20, {{"a", 20}, {"b", 50}}},
      {"", 20, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceTabbedText(c.text, c.startX, 6, width), c.pieces) << c.text;
}

TEST(ItemHeightFor, AtLeastThePicturesHeight) {
  EXPECT_EQ(ItemHeightFor(13, 0), 16);
  EXPECT_EQ(ItemHeightFor(15, 1), 16);
  EXPECT_EQ(ItemHeightFor(17, 2), 19);
}

}  // namespace
}  // namespace korval::ui::logic
