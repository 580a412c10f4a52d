#include "engine/timeout_timer.h"

#include <atomic>
#include <map>

#include "config/session_profile.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "platform/net.h"
#include "platform/timer.h"

namespace korval::engine {

namespace {
std::atomic<int> tickMs{5000};
// The ticks left of this thread's running timers, by id.
thread_local std::map<int, std::uint32_t> ticksLeft;
}  // namespace

int TimeoutTickMs() { return tickMs.load(); }
void SetTimeoutTickMs(int milliseconds) { tickMs = milliseconds; }

int StartTimeoutTimer() {
  int timerId = TimeoutTimerId;
  while (ticksLeft.count(timerId) != 0) ++timerId;
  ticksLeft[timerId] = config::CurrentProfile().Timeout / 5;
  platform::StartTimer(timerId, TimeoutTickMs(), TimeoutTimerProc);
  return timerId;
}

void StopTimeoutTimer(int timerId) {
  if (ticksLeft.erase(timerId) != 0) platform::KillTimer(timerId);
}

std::uint32_t TimeoutTicksLeft(int timerId) {
  auto found = ticksLeft.find(timerId);
  return found == ticksLeft.end() ? 0 : found->second;
}

void TimeoutTimerProc(int timerId) {
  auto found = ticksLeft.find(timerId);
  if (found == ticksLeft.end()) return;
  if (found->second > 0) --found->second;
  if (found->second != 0) return;
  StopTimeoutTimer(timerId);
  if (platform::IsBlocking()) {
    LogMessage("Timer cancelled blocking call");
    TheSession().CancelRequested = true;
    platform::CancelBlockingCall();
  }
}

}  // namespace korval::engine
