#pragma once
// What connecting and closing do to the panes: fills the engine's
// ConnectionHooks so that a connect lists the local pane and retrieves the
// remote one, a close empties the remote pane, and both empty the listing
// cache with its files.

namespace korval::listing {

void InstallPaneHooks();

}  // namespace korval::listing
