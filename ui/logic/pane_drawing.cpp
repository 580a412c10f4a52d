#include "ui/logic/pane_drawing.h"

#include <algorithm>
#include <array>

#include "listing/listing_entry.h"

namespace korval::ui::logic {

EntryPicture PictureFor(std::int32_t kind, std::string_view text) {
  if (kind & listing::DriveKind) return EntryPicture::Drive;
  if (kind & listing::DirectoryKind) return text == ".." ? EntryPicture::ParentDirectory : EntryPicture::Directory;
  if (kind == listing::LinkKind) return EntryPicture::Link;
  if (kind & listing::AsciiFileKind) return EntryPicture::TextFile;
  return EntryPicture::File;
}

int NextTabStop(int x, int averageCharWidth) {
  constexpr std::array<int, 3> Stops = {30, 35, 40};
  for (int stop : Stops)
    if (PictureWidth + stop > x) return PictureWidth + stop;
  const int step = std::max(1, averageCharWidth * 8);
  const int fromOrigin = x - PictureWidth;
  return PictureWidth + (fromOrigin / step + 1) * step;
}

std::vector<TextPiece> PlaceTabbedText(std::string_view text, int startX, int averageCharWidth,
                                       const std::function<int(std::string_view)>& widthOf) {
  std::vector<TextPiece> pieces;
  int x = startX;
  while (true) {
    const std::size_t tab = text.find('\t');
    const std::string_view piece = text.substr(0, tab);
    if (!piece.empty()) {
      pieces.push_back({piece, x});
      x += widthOf(piece);
    }
    if (tab == std::string_view::npos) break;
    x = NextTabStop(x, averageCharWidth);
    text.remove_prefix(tab + 1);
  }
  return pieces;
}

int ItemHeightFor(int fontHeight, int externalLeading) { return std::max(16, fontHeight + externalLeading); }

}  // namespace korval::ui::logic
