#include "listing/directory_box.h"

#include <algorithm>

#include "listing/listing_entry.h"
#include "platform/host.h"

namespace korval::listing {

void DirectoryBox::Show(std::string_view directory) {
  if (directory.empty()) {
    SetText(directory);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = std::find(items_.begin(), items_.end(), directory);
    if (found == items_.end()) {
      // A sorted box puts a new item behind the ones it ties with.
      found = std::upper_bound(items_.begin(), items_.end(), directory,
                               [](std::string_view item, const std::string& other) {
                                 return CompareIgnoreCase(item, other) < 0;
                               });
      found = items_.insert(found, std::string(directory));
    }
    selected_ = static_cast<std::size_t>(found - items_.begin());
    text_.assign(directory);
  }
  Changed();
}

void DirectoryBox::SetText(std::string_view text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    selected_.reset();
    text_.assign(text);
  }
  Changed();
}

void DirectoryBox::ClearList() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.clear();
    selected_.reset();
  }
  Changed();
}

std::vector<std::string> DirectoryBox::Items() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_;
}

std::optional<std::size_t> DirectoryBox::Selected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return selected_;
}

std::string DirectoryBox::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return text_;
}

void DirectoryBox::Changed() const { platform::CurrentHost().DirectoryBoxChanged(controlId_); }

DirectoryBox& LocalDirectoryBox() {
  static DirectoryBox box(LocalDirectoryBoxId);
  return box;
}

DirectoryBox& RemoteDirectoryBox() {
  static DirectoryBox box(RemoteDirectoryBoxId);
  return box;
}

void ResetDirectoryBoxes() {
  for (DirectoryBox* box : {&LocalDirectoryBox(), &RemoteDirectoryBox()}) {
    box->ClearList();
    box->SetText("");
  }
}

}  // namespace korval::listing
