#pragma once
// Window-style timers for threads without a message loop: a timer belongs to
// the thread that started it and fires on that thread, from its wait slices
// (or from the GUI's event loop calling DispatchDueTimers).

#include <functional>

namespace korval::platform {

using TimerCallback = std::function<void(int timerId)>;

// Starts (or restarts) timer `timerId` of the calling thread.
void StartTimer(int timerId, int intervalMs, TimerCallback callback);
// Stops timer `timerId` of the calling thread; unknown ids are ignored.
void KillTimer(int timerId);
bool TimerRunning(int timerId);
// Runs the callbacks of the calling thread's timers that are due.
void DispatchDueTimers();

}  // namespace korval::platform
