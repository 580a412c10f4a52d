#include "engine/session.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/host.h"

namespace korval::engine {

namespace {
std::mutex programMutex;  // the program's one critical section
bool workerBusy = false;
std::thread::id connectionOwner;  // none: the GUI thread's
std::vector<std::thread::id> stoppingJobs;
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
  s.LastReplyCode = 0;
  s.ReplyLine.clear();
  s.CommandActive = false;
  s.GreetingPhase = false;
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
  s.CancelPresses = 0;
  s.Closing = false;
  s.ControlTls = s.DataTls = false;
  s.TlsFingerprint.clear();
  s.TlsHost.clear();
  s.TlsControlSocket = -1;
  s.Features = ServerFeatures{};
  s.EpsvRefused = false;
  SetWorkerBusy(false);
  std::lock_guard<std::mutex> lock(programMutex);
  connectionOwner = std::thread::id{};
  stoppingJobs.clear();
}

void SetWorkerBusy(bool value) {
  std::lock_guard<std::mutex> lock(programMutex);
  workerBusy = value;
}

bool IsWorkerBusy() {
  std::lock_guard<std::mutex> lock(programMutex);
  return workerBusy;
}

bool ClaimConnection(std::thread::id thread) {
  std::lock_guard<std::mutex> lock(programMutex);
  if (connectionOwner != std::thread::id{} && connectionOwner != thread) return false;
  connectionOwner = thread;
  return true;
}

void ReleaseConnection(std::thread::id thread) {
  std::lock_guard<std::mutex> lock(programMutex);
  if (connectionOwner == thread) connectionOwner = std::thread::id{};
}

bool ConnectionOwnedElsewhere() {
  std::lock_guard<std::mutex> lock(programMutex);
  return connectionOwner != std::thread::id{} && connectionOwner != std::this_thread::get_id();
}

bool ConnectionOwned() {
  std::lock_guard<std::mutex> lock(programMutex);
  return connectionOwner != std::thread::id{};
}

void SetJobStopping(std::thread::id thread, bool stopping) {
  std::lock_guard<std::mutex> lock(programMutex);
  std::erase(stoppingJobs, thread);
  if (stopping && thread != std::thread::id{}) stoppingJobs.push_back(thread);
}

bool JobStoppingOnThisThread() {
  std::lock_guard<std::mutex> lock(programMutex);
  return std::find(stoppingJobs.begin(), stoppingJobs.end(), std::this_thread::get_id()) != stoppingJobs.end();
}

}  // namespace korval::engine

namespace korval::engine {

namespace {
thread_local int busyOfThisThread = 0;
}

BusyScope::BusyScope() {
  ++TheSession().BusyCount;
  if (busyOfThisThread++ == 0) platform::CurrentHost().BusyStarted();
}

BusyScope::~BusyScope() {
  --TheSession().BusyCount;
  if (--busyOfThisThread == 0) platform::CurrentHost().BusyEnded();
}

int BusyCountOfOtherThreads() { return TheSession().BusyCount.load() - busyOfThisThread; }
int BusyCountOfThisThread() { return busyOfThisThread; }

}  // namespace korval::engine
