// The socket layer: connecting by address and name, errors in words, bounded
// and cancellable waits, the time-out timer and the two ways of closing.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <time.h>

#include <atomic>

#include "engine/timeout_timer.h"
#include "engine_test_support.h"
#include "platform/net.h"
#include "platform/timer.h"

namespace korval::engine {
namespace {

using testing::EngineStateGuard;
using testing::LogRecorder;
using testing::SocketPair;

// A listener on 127.0.0.1 and its port.
struct Listener {
  int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  unsigned port = 0;
  Listener() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(socket, 4);
    socklen_t length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~Listener() { ::close(socket); }
};

TEST(SocketErrorTextTest, KnownAndUnknownCodes) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {{10060, "connection timed out"}, {10061, "connection refused"}, {10004, "Blocking call cancelled"},
               {11001, "Host not found or server failure"}, {11002, "Host not found or server failure"},
               {10035, "socket marked as non-blocking and SO_LINGER set not 0"}, {12345, "error 12345"}};
  for (const Case& c : cases) EXPECT_EQ(SocketErrorText(c.code), c.text) << c.code;
}

TEST(SocketErrorTextTest, ErrnoMapsToTheNumbersTheTextsUse) {
  EXPECT_EQ(SocketErrorText(platform::SocketErrorFromErrno(ECONNREFUSED)), "connection refused");
  EXPECT_EQ(SocketErrorText(platform::SocketErrorFromErrno(ECONNRESET)), "connection reset");
  EXPECT_EQ(SocketErrorText(platform::SocketErrorFromErrno(EHOSTUNREACH)), "host unreachable");
}

TEST(ReportSocketErrorTest, WithAndWithoutName) {
  EngineStateGuard state;
  LogRecorder log;
  ReportSocketError("send", 10054);
  ReportSocketError("", 10061);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"send: connection reset", "connection refused"}));
}

TEST(ConnectToHostTest, DottedAddressConnectsWithoutLookup) {
  EngineStateGuard state;
  LogRecorder log;
  Listener listener;
  int socket = ConnectToHost("127.0.0.1", listener.port, "tcp");
  ASSERT_GE(socket, 0);
  ::close(socket);
  std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "- -");
  EXPECT_EQ(lines[1], "connecting to 127.0.0.1 ...");
  // append, not "text" + string: GCC 12 warns wrongly (-Wrestrict) about that at -O3.
  EXPECT_EQ(lines[2], std::string("Connected to 127.0.0.1 port ").append(std::to_string(listener.port)));
  EXPECT_EQ(TheSession().DataPeerAddress.Port(), 20u);
  EXPECT_EQ(TheSession().DataPeerAddress.HostText(), "127.0.0.1");
}

TEST(ConnectToHostTest, NameIsLookedUp) {
  EngineStateGuard state;
  LogRecorder log;
  Listener listener;
  int socket = ConnectToHost("localhost", listener.port, "TCP");
  ASSERT_GE(socket, 0);
  ::close(socket);
  EXPECT_TRUE(log.Contains("connecting to 127.0.0.1 ..."));
}

TEST(ConnectToHostTest, DigitsAroundTheFirstDotMakeAnAddressThatMustParse) {
  EngineStateGuard state;
  LogRecorder log;
  EXPECT_EQ(ConnectToHost("999.1.2.3", 21, "tcp"), -1);
  EXPECT_TRUE(log.Contains("can't get \"999.1.2.3\" host entry"));
}

TEST(ConnectToHostTest, UnknownProtocol) {
  EngineStateGuard state;
  LogRecorder log;
  EXPECT_EQ(ConnectToHost("127.0.0.1", 21, "nosuchproto"), -1);
  EXPECT_TRUE(log.Contains("can't get \"nosuchproto\" protocol entry"));
}

TEST(ConnectToHostTest, RefusedConnectionSaysSoInWords) {
  EngineStateGuard state;
  LogRecorder log;
  unsigned port = testing::RefusedLoopbackPort();
  EXPECT_EQ(ConnectToHost("127.0.0.1", port, "tcp"), -1);
  EXPECT_TRUE(log.Contains("can't connect to 127.0.0.1 - connection refused"));
}

TEST(RecvWaitTest, NoDataWithinTheLimitIsACancelledCall) {
  SocketPair pair;
  char buffer[8];
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 100), -1);
  EXPECT_EQ(platform::LastSocketError(), 10004);
}

TEST(RecvWaitTest, DataAndEndOfStream) {
  SocketPair pair;
  char buffer[8];
  pair.Write("abc");
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 1000), 3);
  pair.CloseServer();
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 1000), 0);
}

TEST(RecvWaitTest, AnotherThreadCancelsTheWait) {
  SocketPair pair;
  std::thread canceller([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    platform::CancelAllBlockingCalls();
  });
  char buffer[8];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 30000), -1);
  canceller.join();
  EXPECT_EQ(platform::LastSocketError(), 10004);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(RecvWaitTest, WaitingDoesNotSpin) {
  SocketPair pair;
  timespec before{}, after{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
  char buffer[8];
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 1000), -1);
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
  double cpuSeconds = (after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) / 1e9;
  EXPECT_LT(cpuSeconds, 0.2) << "a one-second wait burnt " << cpuSeconds << " s of CPU";
}

TEST(BlockingHookTest, RunsBetweenSlicesOfAWait) {
  static std::atomic<int> calls{0};
  calls = 0;
  InstallBlockingHook([] {
    ++calls;
    return false;
  });
  SocketPair pair;
  char buffer[8];
  RecvWait(pair.Client(), buffer, sizeof buffer, 0, 300);
  InstallBlockingHook();
  EXPECT_GE(calls.load(), 3);
}

TEST(TimeoutTimerTest, CancelsAWaitAfterTimeoutOverFiveTicks) {
  EngineStateGuard state;
  LogRecorder log;
  SetTimeoutTickMs(50);
  config::CurrentProfile().Timeout = 12;  // two ticks
  SocketPair pair;
  const int timer = StartTimeoutTimer();
  EXPECT_EQ(timer, TimeoutTimerId);
  EXPECT_EQ(TimeoutTicksLeft(timer), 2u);
  char buffer[8];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 30000), -1);
  auto elapsed = std::chrono::steady_clock::now() - start;
  StopTimeoutTimer(timer);
  SetTimeoutTickMs(5000);
  EXPECT_EQ(platform::LastSocketError(), 10004);
  EXPECT_TRUE(TheSession().CancelRequested);
  EXPECT_TRUE(log.Contains("Timer cancelled blocking call"));
  EXPECT_GE(elapsed, std::chrono::milliseconds(90));
  EXPECT_FALSE(platform::TimerRunning(TimeoutTimerId));
}

TEST(TimeoutTimerTest, StoppedInTimeCancelsNothing) {
  EngineStateGuard state;
  LogRecorder log;
  SetTimeoutTickMs(50);
  config::CurrentProfile().Timeout = 65;
  const int timer = StartTimeoutTimer();
  EXPECT_EQ(TimeoutTicksLeft(timer), 13u);
  StopTimeoutTimer(timer);
  SocketPair pair;
  char buffer[8];
  EXPECT_EQ(RecvWait(pair.Client(), buffer, sizeof buffer, 0, 200), -1);
  SetTimeoutTickMs(5000);
  EXPECT_FALSE(TheSession().CancelRequested);
  EXPECT_FALSE(log.Contains("Timer cancelled blocking call"));
}

TEST(CloseTest, ClosedSocketsAreLeftAlone) {
  EXPECT_EQ(AbandonSocket(-1), -1);
  EXPECT_EQ(ShutdownSocket(-1), -1);
}

TEST(CloseTest, ShutdownClosesAndSetsCancel) {
  EngineStateGuard state;
  LogRecorder log;
  config::Settings().Verbose = 1;
  SocketPair pair;
  int socket = ::dup(pair.Client());
  EXPECT_EQ(ShutdownSocket(socket), -1);
  EXPECT_TRUE(TheSession().CancelRequested);
  EXPECT_TRUE(log.Contains(std::string("[").append(std::to_string(socket)).append("] Socket closed.")));
}

TEST(CloseTest, ShutdownWakesAnotherThreadsWait) {
  EngineStateGuard state;
  SocketPair pair;
  int socket = ::dup(pair.Client());
  std::atomic<ssize_t> result{99};
  std::thread reader([&] {
    char buffer[8];
    result = RecvWait(socket, buffer, sizeof buffer, 0, 30000);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ShutdownSocket(socket);
  reader.join();
  EXPECT_LE(result.load(), 0);
}

TEST(WorkerBusyTest, StoredUnderTheLock) {
  SetWorkerBusy(true);
  EXPECT_TRUE(IsWorkerBusy());
  SetWorkerBusy(false);
  EXPECT_FALSE(IsWorkerBusy());
}

}  // namespace
}  // namespace korval::engine
