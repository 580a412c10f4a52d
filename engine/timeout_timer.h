#pragma once
// The time-out timer (id 20): guards the wait for an incoming data connection.
// It ticks every 5 seconds on the thread that started it; after TIMEOUT/5
// ticks it cancels that thread's blocking call.

namespace korval::engine {

constexpr int TimeoutTimerId = 20;

// Sets TimeoutTicks to the current profile's TIMEOUT / 5 and starts the timer.
// A TIMEOUT below 5 seconds fires at the first tick.
void StartTimeoutTimer(int timerId = TimeoutTimerId);
void StopTimeoutTimer(int timerId = TimeoutTimerId);
void TimeoutTimerProc(int timerId);

// The tick length, 5000 ms; tests shorten it.
int TimeoutTickMs();
void SetTimeoutTickMs(int milliseconds);

}  // namespace korval::engine
