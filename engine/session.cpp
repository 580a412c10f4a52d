#include "engine/session.h"

#include <mutex>

namespace korval::engine {

namespace {
std::mutex programMutex;  // the program's one critical section
bool workerBusy = false;
}  // namespace

Session& TheSession() {
  static Session session;
  return session;
}

void ResetSession() {
  Session& s = TheSession();
  s.ControlSocket = s.DataSocket = s.ListenSocket = -1;
  s.LoggedOn = false;
  s.BusyCount = 0;
  s.CancelRequested = false;
  s.CancelledByUser = false;
  s.LastReplyCode = 0;
  s.ReplyLine.clear();
  s.CommandActive = false;
  s.GreetingPhase = false;
  s.TimeoutTicks = 0;
  s.ServerAddress = {};
  s.LocalAddress = {};
  s.DataPeerAddress = {};
  s.ServerTypeSent = 'A';
  s.HostType = 6000;
  s.HostTypeSettled = false;
  s.CanMkd = s.CanRmd = s.CanRename = s.CanDelete = false;
  s.UseCdup = true;
  s.ControlPeerAddress = {};
  s.TreeAbort = false;
  s.Closing = false;
  SetWorkerBusy(false);
}

void SetWorkerBusy(bool value) {
  std::lock_guard<std::mutex> lock(programMutex);
  workerBusy = value;
}

bool IsWorkerBusy() {
  std::lock_guard<std::mutex> lock(programMutex);
  return workerBusy;
}

}  // namespace korval::engine

namespace korval::engine {

namespace {
thread_local int busyOfThisThread = 0;
}

BusyScope::BusyScope() {
  ++busyOfThisThread;
  ++TheSession().BusyCount;
}

BusyScope::~BusyScope() {
  --TheSession().BusyCount;
  --busyOfThisThread;
}

int BusyCountOfOtherThreads() { return TheSession().BusyCount.load() - busyOfThisThread; }

}  // namespace korval::engine
