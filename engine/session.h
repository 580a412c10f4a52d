#pragma once
// The state of the one FTP connection, shared by every part of the engine.
// Socket fields hold -1 when closed; each close operation returns the value to
// store back. The flags that another thread sets while this one waits
// (cancel, abort, busy counts) are atomic.

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace korval::engine {

constexpr std::size_t ReplyLineCapacity = 2047;

struct Session {
  int ControlSocket = -1;
  int DataSocket = -1;
  int ListenSocket = -1;
  bool LoggedOn = false;
  std::atomic<int> BusyCount{0};
  std::atomic<bool> CancelRequested{false};
  // The user's own Cancel (the Cancel command, a cancelled logon prompt), as
  // against a time-out or a closed socket, which set only CancelRequested:
  // it ends a connect's retries. Cleared when a connect begins.
  std::atomic<bool> CancelledByUser{false};
  int LastReplyCode = 0;
  std::string ReplyLine;  // last reply line read, trailing white space removed
  std::atomic<bool> CommandActive{false};
  bool GreetingPhase = false;
  std::atomic<std::uint32_t> TimeoutTicks{0};
  sockaddr_in ServerAddress{};
  sockaddr_in LocalAddress{};
  sockaddr_in DataPeerAddress{};
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
  sockaddr_in ControlPeerAddress{};
  std::atomic<bool> TreeAbort{false};
  bool Closing = false;
};

Session& TheSession();

// Back to the start-up state, for tests. Sockets are not closed.
void ResetSession();

// WorkerBusy: a worker thread runs a tree transfer. Guarded by the program's
// one mutex.
void SetWorkerBusy(bool value);
bool IsWorkerBusy();

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

}  // namespace korval::engine
