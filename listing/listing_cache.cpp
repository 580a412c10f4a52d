#include "listing/listing_cache.h"

#include <deque>
#include <mutex>

#include "engine/listing_file.h"
#include "listing/directory_box.h"
#include "listing/rule_sets.h"
#include "platform/fs.h"

namespace korval::listing {

namespace {

struct CacheEntry {
  std::string Directory;
  platform::TemporaryFile File;
};

// The tree transfer's worker refreshes through the cache as well.
std::mutex cacheMutex;
std::deque<CacheEntry> entries;

// A path this short names no file of ours ("", "/", a drive root).
void DeleteListingFile(CacheEntry& entry) {
  if (entry.File.Path().size() > 3)
    entry.File.Remove();
  else
    entry.File.Release();
}

}  // namespace

int LookupListingCache(std::string_view directory) {
  ClearVosSectionState();
  std::lock_guard<std::mutex> lock(cacheMutex);
  if (directory != UndecipherableDir) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].Directory == directory) {
        engine::SetListingFile(entries[i].File.Path());
        return static_cast<int>(i);
      }
    }
  }
  if (entries.size() >= ListingCacheCapacity) {
    DeleteListingFile(entries.front());
    entries.pop_front();
  }
  platform::TemporaryFile file = platform::CreateTemporaryFile(platform::ListingFilePrefix);
  engine::SetListingFile(file.Path());
  if (file.Valid()) entries.push_back(CacheEntry{std::string(directory), std::move(file)});
  return NewCacheEntry;
}

std::optional<std::string> CachedListingPath(std::string_view directory) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  if (directory == UndecipherableDir) return std::nullopt;
  for (const CacheEntry& entry : entries)
    if (entry.Directory == directory) return entry.File.Path();
  return std::nullopt;
}

void ClearListingCache() {
  {
    std::lock_guard<std::mutex> lock(cacheMutex);
    for (CacheEntry& entry : entries) DeleteListingFile(entry);
    entries.clear();
  }
  RemoteDirectoryBox().ClearList();
}

void ForgetCachedListing(std::string_view path) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
    if (entry->File.Path() == path) {
      DeleteListingFile(*entry);
      entries.erase(entry);
      return;
    }
  }
}

std::vector<CachedListing> CachedListings() {
  std::lock_guard<std::mutex> lock(cacheMutex);
  std::vector<CachedListing> listings;
  for (const CacheEntry& entry : entries) listings.push_back(CachedListing{entry.Directory, entry.File.Path()});
  return listings;
}

std::size_t ListingCacheCount() {
  std::lock_guard<std::mutex> lock(cacheMutex);
  return entries.size();
}

}  // namespace korval::listing
