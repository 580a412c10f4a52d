#pragma once
// How one entry of a file list is drawn: its picture, and where the pieces
// of its display text go. The name comes first, 20 pixels in (the picture's
// width); the information columns follow it at tab stops 30, 35 and 40
// pixels from that origin, and past the last one every eight average
// character widths, as a list box's default tabs stand.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace korval::ui::logic {

enum class EntryPicture { Drive, ParentDirectory, Directory, Link, TextFile, File };

// By the entry's kind bits: drive, then directory ("..": the parent
// picture), then link, then a file with an ASCII extension, else a file.
EntryPicture PictureFor(std::int32_t kind, std::string_view text);

// Width of the picture column and of every entry's picture.
constexpr int PictureWidth = 20;

// The first tab stop right of `x` (pixels from the item's left edge).
int NextTabStop(int x, int averageCharWidth);

struct TextPiece {
  std::string_view Text;  // without tabs
  int X;                  // from the item's left edge
  friend bool operator==(const TextPiece&, const TextPiece&) = default;
};

// The pieces of `text`, split at its tabs, placed from `startX` on: each
// tab moves to the next tab stop. `widthOf` measures a piece.
std::vector<TextPiece> PlaceTabbedText(std::string_view text, int startX, int averageCharWidth,
                                       const std::function<int(std::string_view)>& widthOf);

// An item's height: the list font's height plus its external leading, at
// least 16 pixels (the pictures' height).
int ItemHeightFor(int fontHeight, int externalLeading);

}  // namespace korval::ui::logic
