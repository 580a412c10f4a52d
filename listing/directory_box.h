#pragma once
// The directory boxes above the panes: a drop-down list of the directories
// shown so far, kept sorted, with one selected, or a plain text. This is the
// core's data; the host is told of every change and draws the box from it.

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korval::listing {

constexpr int LocalDirectoryBoxId = 960;
constexpr int RemoteDirectoryBoxId = 961;

class DirectoryBox {
 public:
  explicit DirectoryBox(int controlId) : controlId_(controlId) {}
  DirectoryBox(const DirectoryBox&) = delete;
  DirectoryBox& operator=(const DirectoryBox&) = delete;

  // Adds `directory` to the list unless an identical item is there, and
  // selects it; an empty text is not listed and only becomes the box's text.
  void Show(std::string_view directory);
  // The box shows `text` with no item selected.
  void SetText(std::string_view text);
  // Empties the list (the text stays).
  void ClearList();

  // The items in list order (sorted, letter case ignored).
  std::vector<std::string> Items() const;
  std::optional<std::size_t> Selected() const;
  // What the box shows: the selected item, or the text set.
  std::string Text() const;
  int ControlId() const { return controlId_; }

 private:
  void Changed() const;

  const int controlId_;
  mutable std::mutex mutex_;
  std::vector<std::string> items_;
  std::optional<std::size_t> selected_;
  std::string text_;
};

DirectoryBox& LocalDirectoryBox();
DirectoryBox& RemoteDirectoryBox();
// Both boxes emptied, for tests.
void ResetDirectoryBoxes();

}  // namespace korval::listing
