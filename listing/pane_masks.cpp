#include "listing/pane_masks.h"

#include <mutex>

#include "platform/text.h"

namespace korval::listing {

namespace {
// A worker thread's refresh reads the masks while the window may set them.
std::mutex masksMutex;
std::string localMask;
std::string remoteMask;
}  // namespace

std::string LocalMask() {
  std::lock_guard<std::mutex> lock(masksMutex);
  return localMask;
}

std::string RemoteMask() {
  std::lock_guard<std::mutex> lock(masksMutex);
  return remoteMask;
}

void SetLocalMask(std::string_view mask) {
  std::lock_guard<std::mutex> lock(masksMutex);
  platform::AssignTruncated(localMask, mask, LocalMaskSettingCapacity);
}

void SetRemoteMask(std::string_view mask) {
  std::lock_guard<std::mutex> lock(masksMutex);
  platform::AssignTruncated(remoteMask, mask, RemoteMaskSettingCapacity);
}

void ResetPaneMasks() {
  std::lock_guard<std::mutex> lock(masksMutex);
  localMask.clear();
  remoteMask.clear();
}

}  // namespace korval::listing
