#pragma once
// The state of the one FTP connection, shared by every part of the engine.
// Socket fields hold -1 when closed; each close operation returns the value to
// store back. The flags that another thread sets while this one waits
// (cancel, abort, busy counts) are atomic.

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "engine/server_features.h"
#include "platform/net.h"

namespace korval::engine {

constexpr std::size_t ReplyLineCapacity = 2047;

struct Session {
  int ControlSocket = -1;
  int DataSocket = -1;
  int ListenSocket = -1;
  bool LoggedOn = false;
  std::atomic<int> BusyCount{0};
  std::atomic<bool> CancelRequested{false};
  int LastReplyCode = 0;
  std::string ReplyLine;  // last reply line read, trailing white space removed
  std::atomic<bool> CommandActive{false};
  bool GreetingPhase = false;
  // IPv4 or IPv6, as the control connection goes.
  platform::SocketAddress ServerAddress{};
  platform::SocketAddress LocalAddress{};
  platform::SocketAddress DataPeerAddress{};
  char ServerTypeSent = 'A';  // not reset between connections
  std::uint32_t HostType = 6000;
  // What the remote host is taken to support, and whether detection has run
  // for this connection (host detection sets them, the logon and close reset).
  bool HostTypeSettled = false;
  bool CanMkd = false;
  bool CanRmd = false;
  bool CanRename = false;
  bool CanDelete = false;
  bool UseCdup = true;  // ".." is first tried with CDUP
  // The control connection's far end, recorded when a data connection is set
  // up: data connections are made to it and accepted only from it.
  platform::SocketAddress ControlPeerAddress{};
  std::atomic<bool> TreeAbort{false};
  // Presses of Cancel (the Cancel command, and Cancel in a logon prompt): a
  // file transfer that began before one stops, even when the press came
  // between two of its waits, and a connect makes no more attempts. A
  // time-out or a closed socket sets only CancelRequested.
  std::atomic<std::uint32_t> CancelPresses{0};
  bool Closing = false;
  // What the server listed in its answer to FEAT after the logon; emptied
  // when the connection closes.
  ServerFeatures Features;
  // EPSV was refused as unknown (500/502) on this connection: passive data
  // connections use PASV from then on.
  bool EpsvRefused = false;
  // TLS of this connection: on the control connection, on the data
  // connections (PROT P taken), the certificate accepted for the control
  // connection (data connections must show the same) and the name it was
  // checked against.
  bool ControlTls = false;
  bool DataTls = false;
  std::string TlsFingerprint;
  std::string TlsHost;
  int TlsControlSocket = -1;  // whose TLS session the data connections resume
};

Session& TheSession();

// Back to the start-up state, for tests. Sockets are not closed.
void ResetSession();

// WorkerBusy: a worker thread runs a tree transfer. Guarded by the program's
// one mutex.
void SetWorkerBusy(bool value);
bool IsWorkerBusy();

// The control connection's owner. While a selection worker or the edit job
// runs, its thread owns the connection: commands and reply reads of every
// other thread are refused, so two threads never read each other's replies.
// Without an owner the connection is the GUI thread's (guarded by BusyCount
// and CommandActive, as the window runs one command at a time).
//
// Claims for `thread` (made by the thread that starts the worker, before it
// runs); false when another thread owns the connection already.
bool ClaimConnection(std::thread::id thread);
// Gives up `thread`'s claim (no effect for another thread's).
void ReleaseConnection(std::thread::id thread);
// A thread other than the calling one owns the connection.
bool ConnectionOwnedElsewhere();
// Some thread owns the connection.
bool ConnectionOwned();

// A background job being stopped: the GUI thread waits for `thread` to come
// back, so the core asks no prompt on that thread any more, each counts as
// Cancel. Marked by the one who stops it, cleared once it has been joined.
void SetJobStopping(std::thread::id thread, bool stopping);
// The calling thread runs a job that is being stopped.
bool JobStoppingOnThisThread();

}  // namespace korval::engine

namespace korval::engine {

// Raises BusyCount for its lifetime. The calling thread's own share is
// counted too, so a thread never waits for the busy mark it holds itself.
class BusyScope {
 public:
  BusyScope();
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
};

// BusyCount raised by threads other than the calling one.
int BusyCountOfOtherThreads();
// BusyCount raised by the calling thread: it is inside a command, a reply read
// or a data loop (and a command now comes from its blocking hook).
int BusyCountOfThisThread();

}  // namespace korval::engine
