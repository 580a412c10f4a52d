#pragma once
// The remote file permissions (chmod) command of the remote pane.

namespace korval::listing {
class PaneList;
}

namespace korval::operations {

// The chmod dialog chooses the bits, then "SITE chmod <bits> <names>" goes to
// the server with the selected names, or, with nothing selected, "SITE " and
// the text the user enters. The reply's class, 0 when nothing was sent.
int ChmodCommand(const listing::PaneList& remoteList);

}  // namespace korval::operations
