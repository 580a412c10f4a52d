#include "operations/main_commands.h"

#include <sys/socket.h>

#include "engine/command_engine.h"
#include "engine/logon.h"
#include "engine/session.h"
#include "listing/remote_listing.h"
#include "operations/tree_transfer.h"
#include "platform/host.h"
#include "platform/net.h"

namespace korval::operations {

void CancelCommand() {
  engine::Session& session = engine::TheSession();
  ++session.CancelPresses;
  session.CancelRequested = true;
  session.TreeAbort = true;
  // Before the waits are cancelled: a wait the drain starts inside this
  // thread's own wait would fail at once.
  engine::DrainControlReply(session.ControlSocket);
  platform::CancelAllBlockingCalls();
  // Shut down, not closed: the transfer that uses them (on this thread's
  // stack or a worker's) closes them as it ends.
  for (int socket : {session.DataSocket, session.ListenSocket})
    if (socket != -1) platform::ShutdownSocketDirection(socket, SHUT_RDWR);
}

bool RunsBusyAbort(int commandId) {
  switch (commandId) {
    case ExitButtonCommand:
    case ExitMenuCommand:
    case CloseMenuCommand:
    case ConnectButtonCommand:
      return engine::BusyCountOfThisThread() > 0;
    default:
      return false;
  }
}

void BusyAbort(int commandId) {
  engine::Session& session = engine::TheSession();
  session.CancelRequested = true;
  if (session.Closing) return;
  session.Closing = true;
  AbortSelectionWorker();
  engine::AbortConnection();
  // Only now: a wait started inside a cancelled one (QUIT's send) would fail.
  platform::CancelBlockingCall();
  session.Closing = false;
  if (commandId == ExitButtonCommand || commandId == ExitMenuCommand) {
    platform::CurrentHost().CloseMainWindow();
    return;
  }
  // Without a connection this only empties the pane and its directory box.
  listing::RetrieveRemoteListing(listing::RetrievalLock::AlreadyHeld);
}

void StopJobsAndDisconnect() {
  engine::Session& session = engine::TheSession();
  session.TreeAbort = true;
  AbortSelectionWorker();
  if (engine::BusyCountOfThisThread() == 0) {
    engine::CloseConnection();
    return;
  }
  session.CancelRequested = true;
  if (session.Closing) return;
  session.Closing = true;
  engine::AbortConnection();
  platform::CancelBlockingCall();
  session.Closing = false;
}

}  // namespace korval::operations
