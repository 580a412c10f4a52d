#pragma once
// The panes' process-wide records for tests of pane operations and tree
// transfers: both pane lists, the listing cache with its files, the directory
// boxes, the masks, the remote directory, the prompt buffers and the worker
// settings go back to their start-up state, before and after. The process
// works in a local directory of its own (the current directory is restored
// afterwards), and temporary files ("DIR", "DSP") go to another.
//
//   korval::testing::PaneState panes;
//   panes.Local().WriteFile("a.txt", "x");   // a file of the current directory
//   korval::listing::ListLocalDirectory();

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temporary_directory.h"

namespace korval::listing {
class PaneList;
}

namespace korval::testing {

class PaneState {
 public:
  PaneState();
  ~PaneState();
  PaneState(const PaneState&) = delete;
  PaneState& operator=(const PaneState&) = delete;

  // The current directory while the guard lives.
  const TemporaryDirectory& Local() const { return local_; }
  // Where the temporary files are made.
  const TemporaryDirectory& Temporary() const { return temporary_; }

 private:
  static void Reset();

  TemporaryDirectory local_;
  TemporaryDirectory temporary_;
  std::filesystem::path previousDirectory_;
};

// Selects the entries of `list` whose names are given, in any order (the
// others are unselected); false when a name is not in the list.
bool SelectByName(listing::PaneList& list, std::initializer_list<std::string_view> names);
bool SelectByName(listing::PaneList& list, const std::vector<std::string>& names);
// The names of `list`'s entries in pane order.
std::vector<std::string> PaneNames(const listing::PaneList& list);

}  // namespace korval::testing
