#include "engine/timeout_timer.h"

#include <atomic>

#include "config/session_profile.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "platform/net.h"
#include "platform/timer.h"

namespace korval::engine {

namespace {
std::atomic<int> tickMs{5000};
}

int TimeoutTickMs() { return tickMs.load(); }
void SetTimeoutTickMs(int milliseconds) { tickMs = milliseconds; }

void StartTimeoutTimer(int timerId) {
  TheSession().TimeoutTicks = config::CurrentProfile().Timeout / 5;
  platform::StartTimer(timerId, TimeoutTickMs(), TimeoutTimerProc);
}

void StopTimeoutTimer(int timerId) { platform::KillTimer(timerId); }

void TimeoutTimerProc(int timerId) {
  if (timerId != TimeoutTimerId) return;
  Session& session = TheSession();
  std::uint32_t ticks = session.TimeoutTicks.load();
  if (ticks > 0) session.TimeoutTicks = --ticks;
  if (ticks != 0) return;
  platform::KillTimer(TimeoutTimerId);
  if (platform::IsBlocking()) {
    LogMessage("Timer cancelled blocking call");
    session.CancelRequested = true;
    platform::CancelBlockingCall();
  }
}

}  // namespace korval::engine
