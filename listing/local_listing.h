#pragma once
// The local pane: the process's current directory as "..", its
// subdirectories, the drives, then the files the local mask takes, each a
// ListingEntry of pane 0. Names are kept as the file system's bytes, whatever
// their encoding. Also the clean-up of the view and edit files at shutdown.

#include <cstddef>
#include <string>

namespace korval::listing {

class PaneList;

// The current directory is shown with at most this many characters.
constexpr std::size_t LocalDirCapacity = 180;

// Rebuilds the local pane (and shows the directory in the local directory
// box) with LSORT's order, FORCLOW's lower case and LONGDIR's information
// text "%02u%02u%02u %02u:%02u %10llu" (local date and time, full size). A
// directory that cannot be read gives ".." and the drives only.
// The pane changes in one step (PaneList::TakeContentsOf): a worker that
// lists it again at its end and the GUI thread never mix two listings.
void ListLocalDirectory();

// What a local listing follows: the local mask ("*.*" when empty), LSORT,
// FORCLOW and LONGDIR.
struct LocalListingOptions {
  std::string Mask;
  int Sort = 0;
  bool ForceLowerCase = false;
  bool LongDirectory = false;
};
// The options as the local pane would use them now.
LocalListingOptions CurrentLocalListingOptions();
// Fills `list` (emptied first) with `directory` as the local pane would show
// it; a tree walk lists its levels so, leaving the pane alone. False when
// the directory cannot be read (the list then holds ".." and the drives).
bool ListLocalDirectoryInto(const std::string& directory, PaneList& list, const LocalListingOptions& options);

// Deletes the view files and reports this run left for other programs
// (never another run's or another program's files of the same prefix, nor
// the file of an edit job that is still running or failed).
void RemoveTempFiles();

}  // namespace korval::listing
