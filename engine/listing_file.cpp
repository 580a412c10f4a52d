#include "engine/listing_file.h"

#include <mutex>

namespace korval::engine {

namespace {
std::mutex pathMutex;
std::string pathText;
}  // namespace

const std::string ListingFile() {
  std::lock_guard<std::mutex> lock(pathMutex);
  return pathText;
}

void SetListingFile(std::string path) {
  std::lock_guard<std::mutex> lock(pathMutex);
  pathText = std::move(path);
}

}  // namespace korval::engine
