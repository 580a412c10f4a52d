#include "engine/command_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <optional>
#include <thread>

#include "config/session_profile.h"
#include "engine/failure_reason.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "platform/net.h"
#include "platform/text.h"
#include "platform/timer.h"

namespace korval::engine {

namespace {

// Bytes of the last network read beyond the line that ended in it.
std::string pendingInput;
// Bytes the server sent since the last command went out (or since the
// connection began): a reply that never ends is given up at the budget.
std::size_t replyBytes = 0;
int replyDepth = 0;
GreetingLineHandler greetingHandler = nullptr;
constexpr int DrainReadLimitMs = 10000;
thread_local ReplyLineRecorder* replyLineRecorder = nullptr;

using ReplyClock = std::chrono::steady_clock;
// When the reply being read must have ended: TIMEOUT after its first line
// (none while the first line is read, or with a TIMEOUT of 0).
std::optional<ReplyClock::time_point> replyDeadline;

// Reading stops here for good and every later read ends at once, as on a lost
// connection: the dialogue cannot be resynchronised.
int GiveUpConnection(int socket, std::string_view line) {
  Session& session = TheSession();
  platform::ShutdownSocketDirection(socket, SHUT_RD);
  pendingInput.clear();
  session.ReplyLine = platform::TruncateTo(line, ReplyLineCapacity);
  TrimRight(session.ReplyLine);
  session.CancelRequested = true;
  return 421;
}

// The wait for the next bytes of a line: the read limit, or less when the
// reply's deadline comes first (0 once it has passed).
int LineReadWaitMs() {
  const int limit = ReplyReadTimeoutMs();
  if (!replyDeadline) return limit;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*replyDeadline - ReplyClock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, limit));
}

int CodeOfLine(std::string_view line) {
  int code = 0;
  for (std::size_t i = 0; i < 3 && i < line.size(); ++i) {
    char c = line[i];
    if (c < '0' || c > '9') break;
    code = code * 10 + (c - '0');
  }
  return code;
}

bool HoldsLineBreak(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

int ExchangeCommand(int socket, const std::string& command, int resultWhenActive, bool refusedSetsCode) {
  Session& session = TheSession();
  // Two threads on one connection would read each other's replies.
  if (socket != -1 && ConnectionOwnedElsewhere()) {
    LogMessage("command in process, ignored");
    return 0;
  }
  if (session.CommandActive.exchange(true)) {
    if (refusedSetsCode) session.LastReplyCode = 400;
    return resultWhenActive;
  }
  if (command.compare(0, 5, "PASS ") == 0)
    LogMessage("PASS (hidden)");
  else
    LogMessage(command);
  int result = 0;
  if (socket == -1) {
    LogMessage("Not connected");
  } else if (SendLine(socket, command) != -1) {
    result = ReadReply(socket);
  }
  session.CommandActive = false;
  return result;
}

// Commands that do not fit are never cut short: a shortened DELE or RNTO
// would name another file.
bool FitsCommandBuffer(std::string_view command) {
  if (command.size() <= CommandCapacity) return true;
  LogPrintf("Command not sent: %u characters, at most %u fit on one line",
            static_cast<unsigned>(command.size()), static_cast<unsigned>(CommandCapacity));
  return false;
}

}  // namespace

ReplyLineRecorder::ReplyLineRecorder() : outer_(replyLineRecorder) { replyLineRecorder = this; }
ReplyLineRecorder::~ReplyLineRecorder() { replyLineRecorder = outer_; }

void TrimRight(std::string& text) {
  while (!text.empty()) {
    char last = text.back();
    if (last != ' ' && last != '\t' && last != '\r' && last != '\n') break;
    text.pop_back();
  }
}

bool HasPendingInput() { return !pendingInput.empty(); }
void ClearPendingInput() {
  pendingInput.clear();
  replyBytes = 0;
}
void SetGreetingLineHandler(GreetingLineHandler handler) { greetingHandler = handler; }

void DrainControlReply(int socket) {
  replyDepth = 0;
  ClearPendingInput();
  if (socket == -1 || ConnectionOwnedElsewhere()) return;
  if (WaitReadable(socket, 0) != 1) return;
  char discarded[ReplyReadChunk];
  RecvWait(socket, discarded, sizeof discarded, 0, DrainReadLimitMs);
}

void ResetCommandEngine() {
  replyDeadline.reset();
  pendingInput.clear();
  replyBytes = 0;
  replyDepth = 0;
  greetingHandler = nullptr;
}

ssize_t SendLine(int socket, std::string_view textIn) {
  Session& session = TheSession();
  if (socket == -1) return -1;
  if (BusyCountOfOtherThreads() > 0) {
    LogMessage("[x] cmd in progress, yielding");
    while (BusyCountOfOtherThreads() > 0 && !session.CancelRequested) {
      if (!platform::RunBlockingHook()) std::this_thread::sleep_for(std::chrono::milliseconds(platform::WaitSliceMs));
      platform::DispatchDueTimers();
    }
    if (session.CancelRequested) return -1;
  }
  std::string text(textIn);
  TrimRight(text);
  if (HoldsLineBreak(text)) {
    LogMessage("Command not sent: it contains a line break or a NUL byte");
    return -1;
  }
  BusyScope busy;
  text += "\r\n";
  replyBytes = 0;
  // A line that went out only in part is no command the server can answer:
  // there is no reply to wait for.
  if (SendAll(socket, text.data(), text.size()) != text.size()) return -1;
  return static_cast<ssize_t>(text.size());
}

int SendCommand(int socket, const char* format, ...) {
  Session& session = TheSession();
  session.LastReplyCode = 0;
  va_list arguments;
  va_start(arguments, format);
  std::string command = platform::FormatTruncatedV(CommandCapacity + 1, format, arguments);
  va_end(arguments);
  if (!FitsCommandBuffer(command)) return 0;
  return ExchangeCommand(socket, command, 4, true);
}

int SendCommandText(int socket, std::string_view text) {
  TheSession().LastReplyCode = 0;
  if (!FitsCommandBuffer(text)) return 0;
  return ExchangeCommand(socket, std::string(text), 5, false);
}

int ReadReplyLine(int socket) {
  Session& session = TheSession();
  if (socket == -1) return 0;
  BusyScope busy;
  // A read started inside another wait (from the hook) keeps that wait's
  // cancel request.
  if (!platform::IsBlocking()) session.CancelRequested = false;
  std::string line;
  line.reserve(ReplyLineReadBound + ReplyReadChunk);

  // A line ends at LF (kept) or at a NUL byte (dropped); the rest of the bytes
  // stays pending for the next line, never lost.
  auto takeLineFrom = [&line](std::string& bytes) -> bool {
    std::size_t end = bytes.find_first_of(std::string_view("\n\0", 2));
    if (end == std::string::npos) {
      line += bytes;
      bytes.clear();
      return false;
    }
    if (bytes[end] == '\n') line.append(bytes, 0, end + 1);
    else line.append(bytes, 0, end);
    bytes.erase(0, end + 1);
    return true;
  };

  bool complete = !pendingInput.empty() && takeLineFrom(pendingInput);
  ssize_t lastRead = 1;
  while (!complete && line.size() < ReplyLineReadBound && !session.CancelRequested) {
    char chunk[ReplyReadChunk];
    const int waitMs = LineReadWaitMs();
    if (waitMs == 0) {
      // Every line came in time, but the reply as a whole does not end.
      LogPrintf("reply not complete within %u seconds, connection given up",
                static_cast<unsigned>(config::CurrentProfile().Timeout));
      NoteFailureReason(platform::FormatTruncated(80, "the server's reply did not end within %u seconds",
                                                  static_cast<unsigned>(config::CurrentProfile().Timeout)));
      return GiveUpConnection(socket, line);
    }
    lastRead = RecvWait(socket, chunk, sizeof chunk, 0, waitMs);
    // A wait cut short by the deadline is the reply's time-out, not the
    // line's (the wait may end up to a millisecond early).
    if (lastRead < 0 && waitMs < ReplyReadTimeoutMs() && LineReadWaitMs() <= 1) continue;
    if (lastRead <= 0) break;
    replyBytes += static_cast<std::size_t>(lastRead);
    if (replyBytes > ReplyByteBudget) {
      // No server sends this much for one command.
      LogPrintf("reply too long: over %u bytes without an end, connection given up",
                static_cast<unsigned>(ReplyByteBudget));
      NoteFailureReason("the server's reply had no end");
      return GiveUpConnection(socket, line);
    }
    std::string bytes(chunk, static_cast<std::size_t>(lastRead));
    complete = takeLineFrom(bytes);
    if (complete) pendingInput = std::move(bytes);
  }

  if (lastRead <= 0) {
    if (lastRead < 0) {
      const int error = platform::LastSocketError();
      ReportSocketError("rl-recv", error);
      NoteFailureReason("connection lost: " + SocketErrorText(error));
    } else {
      LogMessage("rl-recv: the server closed the connection");
      NoteFailureReason("the server closed the connection");
    }
    session.ReplyLine = platform::TruncateTo(line, ReplyLineCapacity);
    session.CancelRequested = true;
    return 421;
  }
  session.ReplyLine = platform::TruncateTo(line, ReplyLineCapacity);
  int code = CodeOfLine(session.ReplyLine);
  TrimRight(session.ReplyLine);
  return session.CancelRequested ? 421 : code;
}

int ReadReply(int socket) {
  Session& session = TheSession();
  int linesRead = 0;
  bool firstLine = true;
  if (socket != -1 && ConnectionOwnedElsewhere()) return 0;  // that thread's reply
  replyDeadline.reset();
  for (;;) {
    if (socket == -1) {
      // Lowered once per line read, as when the reply ends normally.
      replyDepth -= linesRead;
      replyDeadline.reset();
      return 0;
    }
    ++replyDepth;
    ++linesRead;
    BusyScope busy;
    int code = ReadReplyLine(socket);
    const std::string& line = session.ReplyLine;
    bool continues = code < 100 || code > 599 || (line.size() > 3 && line[3] == '-');
    LogMessage(line);
    if (replyLineRecorder) replyLineRecorder->Add(line);
    if (session.CancelRequested) {
      session.LastReplyCode = 421;
      break;
    }
    if ((firstLine || session.LastReplyCode == 0) && code >= 100 && code <= 599) session.LastReplyCode = code;
    if (session.GreetingPhase && session.HostType == 6000 && greetingHandler) greetingHandler(line);
    bool another = continues || (session.LastReplyCode != 0 && !firstLine && code != session.LastReplyCode);
    if (firstLine) {
      // Each line may come within the read limit, yet the reply as a whole
      // must end within TIMEOUT of its first line.
      const std::uint32_t seconds = config::CurrentProfile().Timeout;
      if (seconds != 0) replyDeadline = ReplyClock::now() + std::chrono::seconds(std::min<std::uint32_t>(seconds, 86400));
    }
    firstLine = false;
    if (!another) break;
  }
  replyDeadline.reset();
  replyDepth -= linesRead;
  int last = session.LastReplyCode;
  // A refusal (class 4 or 5) is the reason for what fails next.
  if (last >= 400 && last <= 599 && !session.CancelRequested) NoteFailureReason(session.ReplyLine);
  return (last >= 100 && last <= 599) ? last / 100 : 0;
}

}  // namespace korval::engine
