#include "platform/timer.h"

#include <chrono>
#include <map>
#include <vector>

namespace korval::platform {

namespace {
using Clock = std::chrono::steady_clock;

struct Timer {
  int intervalMs = 0;
  Clock::time_point due;
  TimerCallback callback;
};

// Timers belong to the thread that started them, like window timers belong to
// the thread of their window.
thread_local std::map<int, Timer> threadTimers;
}  // namespace

void StartTimer(int timerId, int intervalMs, TimerCallback callback) {
  threadTimers[timerId] = Timer{intervalMs, Clock::now() + std::chrono::milliseconds(intervalMs), std::move(callback)};
}

void KillTimer(int timerId) { threadTimers.erase(timerId); }

bool TimerRunning(int timerId) { return threadTimers.count(timerId) != 0; }

void DispatchDueTimers() {
  if (threadTimers.empty()) return;
  Clock::time_point now = Clock::now();
  // Collect first: a callback may kill or start timers.
  std::vector<int> due;
  for (auto& [id, timer] : threadTimers)
    if (timer.due <= now) due.push_back(id);
  for (int id : due) {
    auto found = threadTimers.find(id);
    if (found == threadTimers.end()) continue;
    found->second.due = now + std::chrono::milliseconds(found->second.intervalMs);
    TimerCallback callback = found->second.callback;  // may be killed while it runs
    if (callback) callback(id);
  }
}

}  // namespace korval::platform
