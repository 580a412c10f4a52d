#pragma once
// The time-out timer (id 20 and up): guards the wait for an incoming data
// connection. It ticks every 5 seconds on the thread that started it; after
// TIMEOUT/5 ticks it cancels that thread's waits ("Timer cancelled blocking
// call").
//
// Each started timer has an id and a tick count of its own, so a wait nested
// inside another (started from the GUI thread's hook) neither restarts nor
// stops the outer wait's timer.

#include <cstdint>

namespace korval::engine {

constexpr int TimeoutTimerId = 20;

// Starts a timer with the current profile's TIMEOUT / 5 ticks on the calling
// thread and returns its id (TimeoutTimerId for the outermost one). A TIMEOUT
// below 5 seconds fires at the first tick.
int StartTimeoutTimer();
// Stops the timer `timerId` of the calling thread; unknown ids are ignored.
void StopTimeoutTimer(int timerId);
void TimeoutTimerProc(int timerId);
// The ticks left of the calling thread's timer `timerId` (0 when it is not running).
std::uint32_t TimeoutTicksLeft(int timerId);

// A timer for the life of one wait.
class TimeoutTimerScope {
 public:
  TimeoutTimerScope() : timerId_(StartTimeoutTimer()) {}
  ~TimeoutTimerScope() { StopTimeoutTimer(timerId_); }
  TimeoutTimerScope(const TimeoutTimerScope&) = delete;
  TimeoutTimerScope& operator=(const TimeoutTimerScope&) = delete;
  int Id() const { return timerId_; }

 private:
  int timerId_;
};

// The tick length, 5000 ms; tests shorten it.
int TimeoutTickMs();
void SetTimeoutTickMs(int milliseconds);

}  // namespace korval::engine
