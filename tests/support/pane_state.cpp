#include "tests/support/pane_state.h"

#include "config/prompts.h"
#include "engine/last_entry.h"
#include "engine/listing_file.h"
#include "engine/remote_dir.h"
#include "listing/directory_box.h"
#include "listing/listing_cache.h"
#include "listing/listing_entry.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "operations/tree_transfer.h"
#include "platform/fs.h"
#include "platform/proc.h"

namespace korval::testing {

PaneState::PaneState() : local_("korval-local-"), temporary_("korval-tmp-") {
  Reset();
  previousDirectory_ = std::filesystem::current_path();
  std::filesystem::current_path(local_.Path());
  platform::SetTemporaryDirectoryOverride(temporary_.Path().string());
}

PaneState::~PaneState() {
  operations::WaitForSelectionWorker();
  Reset();
  platform::SetTemporaryDirectoryOverride(std::nullopt);
  std::filesystem::current_path(previousDirectory_);
}

void PaneState::Reset() {
  listing::ClearListingCache();
  listing::ResetPaneLists();
  listing::ResetDirectoryBoxes();
  listing::ResetPaneMasks();
  engine::SetRemoteDir({});
  engine::SetListingFile({});
  config::ResetPrompts();
  engine::ClearLastEntry();
  operations::ThreadsAvailable() = true;
  operations::ModifierHeld() = false;
  platform::SetProgramLauncher(nullptr);
}

namespace {

template <typename Names>
bool SelectNames(listing::PaneList& list, const Names& names) {
  list.ClearSelection();
  for (std::string_view name : names) {
    bool found = false;
    for (std::size_t i = 0; i < list.Count(); ++i) {
      if (list.EntryAt(i)->Name() == name) {
        list.SetSelected(i, true);
        found = true;
      }
    }
    if (!found) return false;
  }
  return true;
}

}  // namespace

bool SelectByName(listing::PaneList& list, std::initializer_list<std::string_view> names) {
  return SelectNames(list, names);
}

bool SelectByName(listing::PaneList& list, const std::vector<std::string>& names) { return SelectNames(list, names); }

std::vector<std::string> PaneNames(const listing::PaneList& list) {
  std::vector<std::string> names;
  list.ForEachEntry([&names](std::size_t, const listing::ListingEntry& entry) { names.push_back(std::string(entry.Name())); });
  return names;
}

}  // namespace korval::testing
