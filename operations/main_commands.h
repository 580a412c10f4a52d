#pragma once
// The main window's commands whose rules are the core's, so a window cannot
// get them wrong: Cancel, and the busy abort that Exit and Close run while a
// command of the GUI thread waits inside the network layer (they then arrive
// through the blocking hook, inside that wait).

namespace korval::operations {

constexpr int CancelCommandId = 9033;
constexpr int ExitButtonCommand = 9042;
constexpr int ExitMenuCommand = 1600;
constexpr int CloseMenuCommand = 1321;
// The Connect button while it reads "&Close".
constexpr int ConnectButtonCommand = 9000;

// Cancel, at any time: CancelRequested and TreeAbort, every thread's waits
// cancelled, the data and listen sockets shut down (their owner closes them),
// and what the server sent that no one read dropped (DrainControlReply).
// A transfer stops, a tree walk stops and returns to its start directories.
void CancelCommand();

// Whether `commandId` must run the busy abort instead of its own action:
// Exit (9042, 1600), menu Close (1321) and the Connect button (9000) while
// the calling thread is inside a command.
bool RunsBusyAbort(int commandId);
// The busy abort: CancelRequested; unless a close is in progress already,
// the selection worker is stopped and collected ("Aborting thread."), the
// connection ends with QUIT (AbortConnection), and then Exit closes the main
// window while Close empties the remote pane.
void BusyAbort(int commandId);

// The core's part of the main window's close, before the window goes: the
// selection worker (and the edit job) stopped and joined first, as they may
// own the connection; then QUIT and the sockets closed. A close that came
// through the hook of a command of the calling thread still waiting ends
// that command as cancelled, as the busy abort does.
void StopJobsAndDisconnect();

}  // namespace korval::operations
