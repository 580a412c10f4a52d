#include "listing/pane_masks.h"

#include <mutex>

#include "platform/text.h"

namespace korval::listing {

namespace {
// A worker thread's refresh reads the masks while the window may set them.
std::mutex masksMutex;
std::string localMask;
std::string remoteMask;
thread_local const std::string* ownRemoteMask = nullptr;
}  // namespace

std::string LocalMask() {
  std::lock_guard<std::mutex> lock(masksMutex);
  return localMask;
}

std::string RemoteMask() {
  if (ownRemoteMask) return *ownRemoteMask;
  std::lock_guard<std::mutex> lock(masksMutex);
  return remoteMask;
}

OwnRemoteMask::OwnRemoteMask() : OwnRemoteMask(RemoteMask()) {}

OwnRemoteMask::OwnRemoteMask(std::string mask) : mask_(std::move(mask)), outer_(ownRemoteMask) {
  ownRemoteMask = &mask_;
}

OwnRemoteMask::~OwnRemoteMask() { ownRemoteMask = outer_; }

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
