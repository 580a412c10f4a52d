#pragma once
// The command and reply engine: every exchange on the control connection.
// A command goes out with CR LF, the reply is read line by line until it is
// complete (RFC 959 multi-line rule), every line goes to the message log, and
// the caller gets the reply class 1..5 (0 when nothing usable was read; 4 for
// a lost or timed-out connection, recorded as 421). The full code stays in
// LastReplyCode and the last line in ReplyLine.

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace korval::engine {

constexpr std::size_t CommandCapacity = 291;
constexpr std::size_t ReplyLineReadBound = 942;  // a line is returned in pieces of this size
constexpr std::size_t ReplyReadChunk = 82;
// What the server may send for one command (or for the greeting) before the
// connection is given up: a greeting or reply that never ends.
constexpr std::size_t ReplyByteBudget = 1 << 20;

// Formats and sends a command, then reads the whole reply. While another
// thread owns the connection (a selection worker, the edit job) nothing is
// sent: "command in process, ignored" and 0.
int SendCommand(int socket, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The same for a text taken as it stands (file names with "%" stay intact);
// 5 when another exchange is active.
int SendCommandText(int socket, std::string_view text);
// Sends one line with CR LF: the bytes sent, or -1 (also for a text holding a
// line break, which would smuggle in a second command).
ssize_t SendLine(int socket, std::string_view text);
// Reads one complete reply: its class 1..5, or 0.
int ReadReply(int socket);
// Reads one line into ReplyLine: its code, 0 without a number, 421 on failure.
int ReadReplyLine(int socket);
// Removes trailing blanks, tabs, CR and LF.
void TrimRight(std::string& text);

// Bytes read beyond the last line, consumed by the next line read.
bool HasPendingInput();
// Forgets them and the count of bytes toward the reply budget: a new
// connection starts with nothing read.
void ClearPendingInput();

// What the server sent that no one read (the rest of a cancelled reply): the
// bytes held back and what is there at once, up to 82 bytes, are dropped and
// the reply reader starts afresh. Cancel and the remote Refresh run it; it
// reads nothing while another thread owns the connection.
void DrainControlReply(int socket);

// Receives each reply line while the greeting is read with automatic host
// detection (set by the logon).
using GreetingLineHandler = void (*)(std::string_view line);
void SetGreetingLineHandler(GreetingLineHandler handler);

// Keeps every line of the replies the calling thread reads while it lives
// (a reply whose lines all count, such as FEAT's list). Recorders nest: the
// innermost one gets the lines.
class ReplyLineRecorder {
 public:
  ReplyLineRecorder();
  ~ReplyLineRecorder();
  ReplyLineRecorder(const ReplyLineRecorder&) = delete;
  ReplyLineRecorder& operator=(const ReplyLineRecorder&) = delete;
  const std::vector<std::string>& Lines() const { return lines_; }
  void Add(std::string_view line) { lines_.emplace_back(line); }

 private:
  ReplyLineRecorder* outer_;
  std::vector<std::string> lines_;
};

// Back to the start-up state, for tests.
void ResetCommandEngine();

}  // namespace korval::engine
