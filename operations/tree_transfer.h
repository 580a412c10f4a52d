#pragma once
// The transfer buttons: the selected entries of a pane sent ("-->") or
// received ("<--") one after another on one worker thread, a selected
// directory (after one question for the whole selection) with its whole tree
// by a depth-first walk that mirrors it on the other side.
//
// Inside a tree the status display, the sounds and the name prompts are off,
// in the worker's own copy of HASH, BELL and PROMPT (MODE and AMODE are its
// own too): the shared settings never change. Each level of a walk comes
// back to the remote directory it started in, also when the walk stops (a
// failed or cancelled file, a LIST that fails, or the Close button's
// TreeAbort, which the walk tests between files); "[S]" lines tell the steps
// and "[E]" lines what went wrong.
//
// The worker names every local file by the directory the local pane showed
// when it started, never by changing the process's current directory: the
// pane keeps showing its own directory during a walk (its Delete, RmDir,
// Rename and Move are refused only on the walk's local tree) and is listed
// again when the walk ends.
//
// A walk stays inside the tree it was started on:
//   - a name from the server that is empty, "." or "..", or holds "/" or "\"
//     is skipped ("[E]"), so a received tree never reaches outside the local
//     directory it started in, and no symbolic link is followed or created
//     locally;
//   - a sent tree does not enter a symbolic link to a directory inside it;
//   - it descends at most 64 levels, and a directory that is already on the
//     walk's path after entering it (a link to a parent, a server answering
//     every CWD with the same directory) is left again at once ("[E]").
// Such an entry is passed over and the walk goes on with the next one; the
// walk then ends with the line "N entries skipped", shown whatever VERBOSE
// says, and the error sound instead of "complete".
//
// No thread is ever killed: stopping sets CancelRequested and TreeAbort,
// shuts the data connection down and waits for the worker to come back.

#include <string>
#include <string_view>

namespace korval::listing {
class PaneList;
}

namespace korval::operations {

constexpr unsigned TreeDepthLimit = 64;
// Posted after a single typed name was sent: the remote pane's Refresh.
constexpr int RemoteRefreshCommand = 944;
constexpr int SendNameHelpContext = 630;
constexpr int ReceiveNameHelpContext = 640;

// Whether a worker thread may be created; without one the worker runs on
// the calling thread.
bool& ThreadsAvailable();
// Ctrl or Shift was held when the transfer command came: the transfer uses
// the opposite of PROMPT for its name prompts.
bool& ModifierHeld();

// Do nothing while a worker runs; otherwise raise WorkerBusy and run the
// worker (on a new thread when ThreadsAvailable). The controls are updated
// after starting a send and before starting a receive.
void StartSendSelected(listing::PaneList& localList);
void StartReceiveSelected(listing::PaneList& remoteList);

// The worker bodies; WorkerBusy falls when they end.
void SendSelectedWorker(listing::PaneList& localList);
void ReceiveSelectedWorker(listing::PaneList& remoteList);

// Whether a local path is a running walk's local tree, inside it, or one of
// the directories that hold it: what the local pane must not delete,
// rename or move meanwhile.
bool UsedByTreeWalk(const std::string& path);

// One directory (a name in the current directory) and its tree: 1 when it
// was transferred (or passed over as described above) and the caller may go
// on, 0 to stop.
int SendTree(std::string_view localDirectory);
int ReceiveTree(std::string_view remoteDirectory);

// Waits until a running worker has ended, running the calling thread's
// blocking hook meanwhile, and collects its thread. Returns at once on the
// worker's own thread.
void WaitForSelectionWorker();
// Stops a running worker for the window's close: logs "Aborting thread.",
// marks it as being stopped (it asks no further prompt), sets
// CancelRequested and TreeAbort, tells the host (WorkerStopping, so a
// prompt the worker waits for closes as Cancel), cancels its waits and
// shuts its data connection down until it has come back, running the
// calling thread's blocking hook meanwhile; then collects it. A finished
// worker's thread is collected too.
void AbortSelectionWorker();

}  // namespace korval::operations
