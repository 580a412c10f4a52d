#include "engine/remote_dir.h"

#include <mutex>

namespace korval::engine {

namespace {
std::mutex directoryMutex;
std::string directoryText;
}  // namespace

const std::string RemoteDir() {
  std::lock_guard<std::mutex> lock(directoryMutex);
  return directoryText;
}

void SetRemoteDir(std::string directory) {
  std::lock_guard<std::mutex> lock(directoryMutex);
  directoryText = std::move(directory);
}

}  // namespace korval::engine
