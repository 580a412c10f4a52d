#pragma once
// The remote file permissions (chmod) command of the remote pane.

namespace korval::listing {
class PaneList;
}

namespace korval::operations {

// The chmod dialog chooses the bits, then "SITE chmod <bits> <name>" goes to
// the server once for each selected name (a failure is logged with the
// name, a name too long for the command line is logged and skipped), or,
// with nothing selected, "SITE " and the text the user enters. The worst
// reply's class (a skipped name counts as 5), 0 when nothing was sent.
int ChmodCommand(const listing::PaneList& remoteList);

}  // namespace korval::operations
