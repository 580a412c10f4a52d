// The command and reply engine over a socket pair whose far end plays the
// server: reply assembly, line pieces, pending input, logging and refusals.

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace korval::engine {
namespace {

using testing::EngineStateGuard;
using testing::LogRecorder;
using testing::SocketPair;

struct ReplyCase {
  const char* name;
  std::string stream;  // what the server sends before the engine reads
  int expectedClass;
  int expectedCode;
  const char* expectedLastLine;
  int expectedLinesLogged;
};

class ReadReplyTest : public ::testing::TestWithParam<ReplyCase> {
 protected:
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
};

TEST_P(ReadReplyTest, AssemblesTheReply) {
  const ReplyCase& c = GetParam();
  pair.Write(c.stream);
  EXPECT_EQ(ReadReply(pair.Client()), c.expectedClass);
  EXPECT_EQ(TheSession().LastReplyCode, c.expectedCode);
  EXPECT_EQ(TheSession().ReplyLine, c.expectedLastLine);
  EXPECT_EQ(static_cast<int>(log.Lines().size()), c.expectedLinesLogged);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadReplyTest,
    ::testing::Values(
        ReplyCase{"SingleLine", "220 Service ready\r\n", 2, 220, "220 Service ready", 1},
        ReplyCase{"ServiceReadyLater", "120 Try again in 5 minutes\r\n", 1, 120, "120 Try again in 5 minutes", 1},
        ReplyCase{"MultiLineWithIndentedText", "230-Welcome\r\n  indented text\r\n230-more\r\n230 done\r\n", 2, 230,
                  "230 done", 4},
        ReplyCase{"OtherCodeInsideMultiLine", "220-hello\r\n331 not the end\r\n220 ready\r\n", 2, 220, "220 ready", 3},
        ReplyCase{"TwoDigitLineContinues", "22 short\r\n220 ready\r\n", 2, 220, "220 ready", 2},
        ReplyCase{"TextWithoutCodeContinues", "hello there\r\n530 Not logged in\r\n", 5, 530, "530 Not logged in", 2},
        ReplyCase{"TrailingWhiteSpaceTrimmed", "200 OK \t \r\n", 2, 200, "200 OK", 1},
        ReplyCase{"BareLineFeed", "200 OK\n", 2, 200, "200 OK", 1}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

TEST(ReadReply, TwoRepliesInOneReadLeaveTheSecondPending) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  pair.Write("331 Password required\r\n230 Logged in\r\n");
  EXPECT_EQ(ReadReply(pair.Client()), 3);
  EXPECT_EQ(TheSession().LastReplyCode, 331);
  EXPECT_TRUE(HasPendingInput());
  pair.CloseServer();  // the second reply must come from pending input, not the network
  TheSession().LastReplyCode = 0;
  EXPECT_EQ(ReadReply(pair.Client()), 2);
  EXPECT_EQ(TheSession().ReplyLine, "230 Logged in");
}

TEST(ReadReply, ReplySplitOverTwoReads) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  pair.Write("220-first half of a line");
  pair.WriteLater(" and the rest\r\n220 done\r\n", 100);
  EXPECT_EQ(ReadReply(pair.Client()), 2);
  std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "220-first half of a line and the rest");
  EXPECT_EQ(lines[1], "220 done");
}

TEST(ReadReplyLine, LongLineComesInPiecesOfTheReadBound) {
  EngineStateGuard state;
  SocketPair pair;
  std::string longLine = "200 " + std::string(2000, 'x') + "\r\n";
  pair.Write(longLine);
  EXPECT_EQ(ReadReplyLine(pair.Client()), 200);
  std::size_t first = TheSession().ReplyLine.size();
  EXPECT_GE(first, ReplyLineReadBound);
  EXPECT_LT(first, ReplyLineReadBound + ReplyReadChunk);
  // The next piece is read as the next line: no digits, code 0.
  EXPECT_EQ(ReadReplyLine(pair.Client()), 0);
  std::size_t second = TheSession().ReplyLine.size();
  EXPECT_EQ(ReadReplyLine(pair.Client()), 0);
  std::size_t third = TheSession().ReplyLine.size();
  EXPECT_EQ(first + second + third, longLine.size() - 2);  // nothing lost but the trimmed CR LF
}

TEST(ReadReplyLine, NulBytesEndTheLineWithoutLosingTheRest) {
  EngineStateGuard state;
  SocketPair pair;
  pair.Write(std::string("200 A\0B\0\r\n220 next\r\n", 20));
  EXPECT_EQ(ReadReplyLine(pair.Client()), 200);
  EXPECT_EQ(TheSession().ReplyLine, "200 A");
  EXPECT_EQ(ReadReplyLine(pair.Client()), 0);
  EXPECT_EQ(TheSession().ReplyLine, "B");
  EXPECT_EQ(ReadReplyLine(pair.Client()), 0);  // what stood between the NUL and the LF
  EXPECT_EQ(ReadReplyLine(pair.Client()), 220);
  EXPECT_EQ(TheSession().ReplyLine, "220 next");
}

TEST(ReadReply, ServerClosingMidReplyGives421AndCancels) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  pair.Write("230-Welcome\r\n230-more to come");
  pair.CloseServer();
  EXPECT_EQ(ReadReply(pair.Client()), 4);
  EXPECT_EQ(TheSession().LastReplyCode, 421);
  EXPECT_TRUE(TheSession().CancelRequested);
  EXPECT_EQ(TheSession().BusyCount, 0);
}

TEST(ReadReply, SilentServerEndsAtTheReadLimit) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  SetReplyReadTimeoutMs(200);
  EXPECT_EQ(ReadReply(pair.Client()), 4);
  EXPECT_EQ(TheSession().LastReplyCode, 421);
  EXPECT_TRUE(log.Contains("rl-recv: Blocking call cancelled"));
}

// What the server may send for one command is bounded: a reply that never
// ends is given up, while a new command allows as much again.
TEST(ReadReply, ReplyThatNeverEndsIsGivenUpAtTheBudget) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  auto helpLines = [](std::size_t bytes) {
    std::string lines;
    while (lines.size() < bytes) lines += "214-" + std::string(60, 'h') + "\r\n";
    return lines;
  };
  const std::string nearlyAll = helpLines(ReplyByteBudget - 4096) + "214 End\r\n";
  const std::string tooMuch = helpLines(ReplyByteBudget + ReplyByteBudget / 2);
  std::thread server([&] {
    for (const std::string* bytes : {&nearlyAll, &nearlyAll, &tooMuch}) {
      // MSG_NOSIGNAL: once the engine gives up, writing fails instead of signalling.
      for (std::size_t sent = 0; sent < bytes->size();) {
        ssize_t n = ::send(pair.Server(), bytes->data() + sent, bytes->size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
      }
    }
  });
  EXPECT_EQ(SendCommand(pair.Client(), "HELP"), 2);
  EXPECT_EQ(SendCommand(pair.Client(), "HELP"), 2);
  EXPECT_FALSE(log.Contains("reply too long: over 1048576 bytes without an end, connection given up"));
  EXPECT_EQ(SendCommand(pair.Client(), "HELP"), 4);
  EXPECT_EQ(TheSession().LastReplyCode, 421);
  EXPECT_TRUE(TheSession().CancelRequested);
  EXPECT_TRUE(log.Contains("reply too long: over 1048576 bytes without an end, connection given up"));
  // Nothing more is read from this connection: the next read ends at once.
  EXPECT_EQ(ReadReplyLine(pair.Client()), 421);
  EXPECT_EQ(TheSession().BusyCount, 0);
  server.join();  // its writes fail now that the engine reads no more
}

// A reply whose lines each come in time but which never ends is given up
// TIMEOUT after its first line; a TIMEOUT of 0 waits as long as lines come.
struct DripCase {
  const char* name;
  std::uint32_t timeoutSeconds;
  int expectedClass;
};

class DrippedReplyTest : public ::testing::TestWithParam<DripCase> {};

TEST_P(DrippedReplyTest, WholeReplyEndsWithinTheTimeout) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  config::CurrentProfile().Timeout = GetParam().timeoutSeconds;
  // 12 lines 150 ms apart: 1.8 s for the whole reply.
  std::thread server([&] {
    for (int i = 0; i < 12; ++i) {
      const std::string line = i < 11 ? "230-line " + std::to_string(i) + "\r\n" : std::string("230 done\r\n");
      if (::send(pair.Server(), line.data(), line.size(), MSG_NOSIGNAL) <= 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
  });
  EXPECT_EQ(ReadReply(pair.Client()), GetParam().expectedClass);
  const bool givenUp = GetParam().expectedClass == 4;
  EXPECT_EQ(TheSession().LastReplyCode, givenUp ? 421 : 230);
  EXPECT_EQ(log.Contains("reply not complete within 1 seconds, connection given up"), givenUp);
  if (givenUp) {
    EXPECT_EQ(ReadReplyLine(pair.Client()), 421);  // nothing more is read from it
  }
  EXPECT_EQ(TheSession().BusyCount, 0);
  server.join();
}

INSTANTIATE_TEST_SUITE_P(Timeouts, DrippedReplyTest,
                         ::testing::Values(DripCase{"OneSecondGivesUp", 1, 4}, DripCase{"TenSecondsWaits", 10, 2},
                                           DripCase{"ZeroWaitsWhileLinesCome", 0, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadReply, ClosedSocketReadsNothing) {
  EngineStateGuard state;
  EXPECT_EQ(ReadReply(-1), 0);
  EXPECT_EQ(ReadReplyLine(-1), 0);
}

TEST(SendCommand, SendsTheLineAndReadsTheReply) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  pair.Write("250 CWD command successful\r\n");
  EXPECT_EQ(SendCommand(pair.Client(), "CWD %s", "pub"), 2);
  EXPECT_EQ(pair.ReadSent(), "CWD pub\r\n");
  EXPECT_EQ(log.Lines().front(), "CWD pub");
}

struct LoggedCommandCase {
  const char* command;
  const char* logged;
};

class CommandLoggingTest : public ::testing::TestWithParam<LoggedCommandCase> {};

TEST_P(CommandLoggingTest, HidesOnlyTheUpperCasePassword) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  pair.Write("230 ok\r\n");
  SendCommandText(pair.Client(), GetParam().command);
  EXPECT_EQ(log.Lines().front(), GetParam().logged);
  EXPECT_EQ(pair.ReadSent(), std::string(GetParam().command) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Passwords, CommandLoggingTest,
                         ::testing::Values(LoggedCommandCase{"PASS secret", "PASS (hidden)"},
                                           LoggedCommandCase{"pass secret", "pass secret"},
                                           LoggedCommandCase{"PASSWORD", "PASSWORD"}),
                         [](const ::testing::TestParamInfo<LoggedCommandCase>& info) {
                           return "Case" + std::to_string(info.index);
                         });

TEST(SendCommand, TextWithPercentTravelsUnchanged) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  pair.Write("150 Opening\r\n");
  EXPECT_EQ(SendCommandText(pair.Client(), "RETR 100%d %s.txt"), 1);
  EXPECT_EQ(pair.ReadSent(), "RETR 100%d %s.txt\r\n");
}

TEST(SendCommand, NotConnectedIsLoggedAlways) {
  EngineStateGuard state;
  LogRecorder log;
  EXPECT_EQ(SendCommand(-1, "NOOP"), 0);
  EXPECT_TRUE(log.Contains("Not connected"));
}

TEST(SendCommand, ReentryIsRefused) {
  EngineStateGuard state;
  SocketPair pair;
  TheSession().CommandActive = true;
  EXPECT_EQ(SendCommand(pair.Client(), "NOOP"), 4);
  EXPECT_EQ(TheSession().LastReplyCode, 400);
  EXPECT_EQ(SendCommandText(pair.Client(), "NOOP"), 5);
  EXPECT_EQ(TheSession().LastReplyCode, 0);
  EXPECT_EQ(pair.ReadSent(), "");
}

TEST(SendLine, RefusesTextThatWouldCarryASecondCommand) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  for (std::string text : {std::string("DELE a\r\nDELE b"), std::string("DELE a\nb"), std::string("DELE a\0b", 8)}) {
    EXPECT_EQ(SendLine(pair.Client(), text), -1) << text;
    EXPECT_EQ(SendCommandText(pair.Client(), text), 0);
  }
  EXPECT_EQ(pair.ReadSent(), "");
  EXPECT_TRUE(log.Contains("Command not sent: it contains a line break or a NUL byte"));
}

// A command that could not go out has no reply to wait for: the reply
// already waiting on the socket is left alone and the result is 0 at once.
TEST(SendCommand, CommandThatCannotBeSentReadsNoReply) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  pair.Write("200 an old reply\r\n");
  ::shutdown(pair.Client(), SHUT_WR);
  EXPECT_EQ(SendCommand(pair.Client(), "NOOP"), 0);
  EXPECT_EQ(TheSession().LastReplyCode, 0);
  EXPECT_EQ(SendCommandText(pair.Client(), "RETR a"), 0);
  EXPECT_EQ(SendLine(pair.Client(), "NOOP"), -1);
  EXPECT_TRUE(log.Contains("send: connection reset"));
  EXPECT_FALSE(log.Contains("200 an old reply"));
  EXPECT_EQ(ReadReplyLine(pair.Client()), 200);  // still there, never taken for NOOP's
}

TEST(SendLine, TrailingLineEndIsTrimmedNotRefused) {
  EngineStateGuard state;
  SocketPair pair;
  EXPECT_EQ(SendLine(pair.Client(), "NOOP\r\n"), 6);
  EXPECT_EQ(pair.ReadSent(), "NOOP\r\n");
}

TEST(SendCommand, OverlongCommandIsNotSentAtAll) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  std::string name(300, 'n');
  EXPECT_EQ(SendCommand(pair.Client(), "DELE %s", name.c_str()), 0);
  EXPECT_EQ(SendCommandText(pair.Client(), "DELE " + name), 0);
  EXPECT_EQ(pair.ReadSent(), "");
  std::string fits(CommandCapacity - 5, 'n');
  pair.Write("250 ok\r\n");
  EXPECT_EQ(SendCommandText(pair.Client(), "DELE " + fits), 2);
  EXPECT_EQ(pair.ReadSent(), "DELE " + fits + "\r\n");
}

TEST(SendLine, WaitsWhileAnotherThreadIsBusyAndLogsIt) {
  EngineStateGuard state;
  LogRecorder log;
  SocketPair pair;
  config::Settings().Verbose = 1;
  std::atomic<bool> release{false};
  std::thread other([&] {
    BusyScope busy;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  while (TheSession().BusyCount == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    release = true;
  });
  EXPECT_EQ(SendLine(pair.Client(), "NOOP"), 6);
  other.join();
  releaser.join();
  EXPECT_TRUE(log.Contains("[x] cmd in progress, yielding"));
  // Its own busy mark never makes a thread wait.
  BusyScope mine;
  EXPECT_EQ(SendLine(pair.Client(), "NOOP"), 6);
}

TEST(TrimRightTest, RemovesOnlyTrailingWhiteSpace) {
  for (auto [in, out] : std::vector<std::pair<std::string, std::string>>{
           {"abc \t\r\n", "abc"}, {"  abc", "  abc"}, {" \t\r\n", ""}, {"", ""}, {"a b", "a b"}}) {
    std::string text = in;
    TrimRight(text);
    EXPECT_EQ(text, out);
  }
}

}  // namespace
}  // namespace korval::engine
