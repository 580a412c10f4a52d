#pragma once
// The per-connection cache of remote listings: for each remote directory
// visited, the listing file fetched for it, oldest first, at most 19 at a
// time. Going back to a directory reuses its file instead of sending LIST.
// Each entry owns its file, so dropping an entry deletes it; the connection's
// close empties the cache.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korval::listing {

constexpr std::size_t ListingCacheCapacity = 19;
// LookupListingCache's answer for a directory not in the cache.
constexpr int NewCacheEntry = 99;
// The directory text of a PWD reply that could not be read; never a hit.
inline constexpr std::string_view UndecipherableDir = "undecipherable";

struct CachedListing {
  std::string Directory;
  std::string Path;
};

// The index of `directory`'s entry (0 to 18), or NewCacheEntry after a new
// entry with a new "DIR" temporary file was appended (the oldest dropped when
// 19 are in use). Either way ListingFile() names the file to use. A file that
// cannot be created adds no entry and leaves ListingFile() empty. Every call
// also clears the Stratus VOS rules' section state.
int LookupListingCache(std::string_view directory);

// The file cached for `directory`, without changing the cache or
// ListingFile(): what a command that only reads (a sort, a mask) may use
// while a worker owns the connection.
std::optional<std::string> CachedListingPath(std::string_view directory);

// Deletes every cached file, frees the entries and empties the list of the
// remote directory box.
void ClearListingCache();

// Drops the entry whose file is `path` (its fetch failed, so the file holds
// no listing) and deletes the file.
void ForgetCachedListing(std::string_view path);

// The entries, oldest first.
std::vector<CachedListing> CachedListings();
std::size_t ListingCacheCount();

}  // namespace korval::listing
