// Waits that nest: the GUI thread's hook runs while a wait is in progress, and
// what it starts there (Cancel's drain of the control connection, a short
// transfer wait) must leave the outer wait's cancel request, blocking mark
// and time-out timer as they were. Also a wait with a time-out of zero, and
// the drain of an unread reply.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "engine/command_engine.h"
#include "engine/timeout_timer.h"
#include "engine_test_support.h"
#include "platform/net.h"

namespace korval::engine {
namespace {

using testing::EngineStateGuard;
using testing::LogRecorder;
using testing::SocketPair;
using Clock = std::chrono::steady_clock;

// Runs `click` once from the calling thread's hook, as the GUI thread
// handles a click while it waits; the hook goes at the end of the scope.
class ClickInsideWait {
 public:
  explicit ClickInsideWait(std::function<void()> click) {
    platform::InstallBlockingHook([this, click = std::move(click)] {
      if (clicked_) return false;
      clicked_ = true;
      click();
      return true;
    });
  }
  ~ClickInsideWait() { platform::InstallBlockingHook(nullptr); }
  bool Clicked() const { return clicked_; }

 private:
  bool clicked_ = false;
};

// When Cancel comes in the hook: before the inner wait starts (the inner wait
// is cancelled too) or after it ended normally.
struct InnerWait {
  const char* name;
  bool cancelFirst;
};

class NestedWaitTest : public ::testing::TestWithParam<InnerWait> {};

TEST_P(NestedWaitTest, AnInnerWaitKeepsTheOuterWaitsCancelRequest) {
  SocketPair outer;
  SocketPair inner;
  inner.Write("x");
  bool blockingAfterInner = false;
  ClickInsideWait click([&] {
    if (GetParam().cancelFirst) platform::CancelAllBlockingCalls();
    char byte;
    RecvWait(inner.Client(), &byte, 1, 0, 1000);  // a drain of the control connection
    blockingAfterInner = platform::IsBlocking();
    if (!GetParam().cancelFirst) platform::CancelAllBlockingCalls();
  });
  char buffer[8];
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(RecvWait(outer.Client(), buffer, sizeof buffer, 0, 5000), -1);
  EXPECT_TRUE(click.Clicked());
  EXPECT_EQ(platform::LastSocketError(), platform::ErrorInterrupted);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "the outer wait ran to its time-out";
  EXPECT_TRUE(blockingAfterInner);
  EXPECT_FALSE(platform::IsBlocking());
}

INSTANTIATE_TEST_SUITE_P(Inner, NestedWaitTest,
                         ::testing::Values(InnerWait{"CancelBeforeIt", true}, InnerWait{"CancelAfterIt", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NestedWaitTest, ANewOutermostWaitStartsWithoutTheOldCancel) {
  SocketPair pair;
  {
    ClickInsideWait click([] { platform::CancelBlockingCall(); });
    char buffer[8];
    EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 5000), -1);
  }
  pair.Write("ok");
  char buffer[8];
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 1000), 2);
}

TEST(NestedWaitTest, AnInnerTimerLeavesTheOuterTimerRunning) {
  EngineStateGuard state;
  LogRecorder log;
  SetTimeoutTickMs(20);
  config::CurrentProfile().Timeout = 12;  // two ticks
  SocketPair outer;
  SocketPair inner;
  inner.Write("x");
  int innerTimer = 0;
  ClickInsideWait click([&] {
    // A short transfer wait with a timer of its own, stopped as it ends.
    TimeoutTimerScope timer;
    innerTimer = timer.Id();
    char byte;
    RecvWait(inner.Client(), &byte, 1, 0, 1000);
  });
  const int outerTimer = StartTimeoutTimer();
  char buffer[8];
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(RecvWait(outer.Client(), buffer, sizeof buffer, 0, 5000), -1);
  const Clock::duration elapsed = Clock::now() - start;
  StopTimeoutTimer(outerTimer);
  SetTimeoutTickMs(5000);
  EXPECT_NE(innerTimer, outerTimer);
  EXPECT_TRUE(log.Contains("Timer cancelled blocking call"));
  EXPECT_LT(elapsed, std::chrono::seconds(2)) << "the outer wait lost its timer";
}

TEST(ZeroTimeoutTest, AWaitOfZeroStillLooksAtTheSocket) {
  SocketPair pair;
  EXPECT_EQ(platform::WaitForSocket(pair.Client(), platform::WaitFor::Read, 0), 0);
  EXPECT_EQ(platform::LastSocketError(), platform::ErrorInterrupted);
  pair.Write("waiting");
  // Let the bytes arrive; a wait of zero then sees them at once.
  EXPECT_EQ(platform::WaitForSocket(pair.Client(), platform::WaitFor::Read, 1000), 1);
  EXPECT_EQ(platform::WaitForSocket(pair.Client(), platform::WaitFor::Read, 0), 1);
}

TEST(DrainControlReplyTest, DropsWhatNoOneReadAndTheHeldBackBytes) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  // Two replies in one read: the second is held back for the next line read.
  pair.Write("226 done\r\n200 old\r\n");
  EXPECT_EQ(ReadReplyLine(pair.Client()), 226);
  EXPECT_TRUE(HasPendingInput());
  pair.Write("426 late reply\r\n");
  ASSERT_EQ(platform::WaitForSocket(pair.Client(), platform::WaitFor::Read, 1000), 1);
  DrainControlReply(pair.Client());
  EXPECT_FALSE(HasPendingInput());
  pair.Write("200 fresh\r\n");
  EXPECT_EQ(ReadReplyLine(pair.Client()), 200);
  EXPECT_EQ(TheSession().ReplyLine, "200 fresh");
}

}  // namespace
}  // namespace korval::engine
