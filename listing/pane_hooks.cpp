#include "listing/pane_hooks.h"

#include <string_view>

#include "engine/logon.h"
#include "listing/listing_cache.h"
#include "listing/local_listing.h"
#include "listing/pane_masks.h"
#include "listing/remote_listing.h"

namespace korval::listing {

void InstallPaneHooks() {
  engine::ConnectionHooks& hooks = engine::TheConnectionHooks();
  hooks.ClearListingCache = [] { ClearListingCache(); };
  hooks.ListLocalPane = [](std::string_view localMask) {
    SetLocalMask(localMask);
    ListLocalDirectory();
  };
  hooks.RetrieveRemotePane = [](std::string_view remoteMask) {
    SetRemoteMask(remoteMask);
    RetrieveRemoteListing(RetrievalLock::Take);
  };
  // A close empties the pane even while a command is still unwinding.
  hooks.RefreshRemotePane = [] { RefreshRemoteListing(RetrievalLock::AlreadyHeld); };
}

}  // namespace korval::listing
