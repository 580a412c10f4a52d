#pragma once
// The remote pane's contents: the server's current directory read with PWD,
// its listing fetched with LIST into a listing file, or taken from the
// listing cache when the directory was visited before in this connection,
// and parsed into the remote pane. The host type is settled (SYST, HELP)
// before the first listing of each connection.
//
// A retrieval with RetrievalLock::Take refuses to start while the session is
// busy ("[E] busy, no retrieve") and marks it busy until it is done, so no
// second retrieval, transfer or command interleaves on the control
// connection. Callers that already hold the mark (or a worker that owns the
// connection) pass RetrievalLock::AlreadyHeld.

#include <cstdint>
#include <string>
#include <string_view>

#include "config/ascii_extensions.h"
#include "listing/listing_options.h"

namespace korval::listing {

class PaneList;

enum class RetrievalLock { Take, AlreadyHeld };

// Busy: a command or data loop runs (BusyCount, CommandActive), a worker or
// the edit job owns the connection, or a retrieval (or another holder) set
// the busy mark.
bool IsSessionBusy();

// Sets the busy mark for its lifetime.
class SessionBusyMark {
 public:
  SessionBusyMark();
  ~SessionBusyMark();
  SessionBusyMark(const SessionBusyMark&) = delete;
  SessionBusyMark& operator=(const SessionBusyMark&) = delete;

 private:
  bool wasSet_;
};

// The directory a PWD reply line names: the text after its first double
// quote (or, failing that, its first apostrophe), at most 250 characters, up
// to the closing quote; a doubled double quote inside stands for one.
// "undecipherable" when the line has no quote at all.
std::string RemoteDirFromPwdReply(std::string_view replyLine);

// Shows the current remote directory, from the cache when it holds it.
// Without a connection the pane and the directory box are just emptied.
// 2 when a listing is shown; else the class of the failed LIST, or 0 when
// nothing was asked (no connection, or refused as busy).
int RetrieveRemoteListing(RetrievalLock lock);
// The same, but always fetches anew (into the cached file when there is one)
// and asks PWD for every host type; a wildcard or empty mask sends a bare LIST.
int RefreshRemoteListing(RetrievalLock lock);
// After a sort change: the local pane is listed again; the remote pane is
// rebuilt from the cache entry of RemoteDir(), or fetched, without PWD.
// While a worker owns the connection only a cached listing is shown again.
void RedisplayListing(std::int32_t pane);

// What the parser reads for the remote pane: the session's host type, VLINK,
// LONGDIR, the remote mask, RemoteDir() and the user id. `asciiList` must
// outlive the options.
ListingOptions RemoteListingOptions(const config::AsciiExtensionList* asciiList);
// Parses ListingFile() into the remote pane with RSORT's order (a changed
// host type or wildcard mask re-reads the file this way). ParseListing's result.
int ParseRemoteListingFile();
// The same for the listing file at `path`. The pane changes in one step
// (PaneList::TakeContentsOf), so the GUI thread never reads a half-built pane.
int ParseIntoRemotePane(const std::string& path);
// The same into `list` (emptied first), leaving the pane alone: a tree walk
// reads its level from what the server listed, whatever the GUI thread
// shows in the pane meanwhile (a sort, a mask).
int ParseRemoteListingInto(const std::string& path, PaneList& list);

}  // namespace korval::listing
