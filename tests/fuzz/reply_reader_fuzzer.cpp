// The reply reader fed as a byte stream: whatever a server sends on the
// control connection is read reply by reply until the stream ends. The first
// byte chooses whether the lines are read as a greeting (host detection
// watching them).

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "engine/command_engine.h"
#include "engine/host_detection.h"
#include "engine/session.h"
#include "tests/fuzz/fuzz_support.h"

using namespace korval;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 64 * 1024) return 0;
  fuzzing::ResetState();
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::abort();
  const int bufferSize = 256 * 1024;
  ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
  const bool greeting = (data[0] & 1) != 0;
  std::size_t written = 1;
  while (written < size) {
    ssize_t count = ::write(ends[1], data + written, size - written);
    if (count <= 0) std::abort();
    written += static_cast<std::size_t>(count);
  }
  ::close(ends[1]);  // the server is done: the reader meets the end of the stream

  engine::Session& session = engine::TheSession();
  session.GreetingPhase = greeting;
  session.HostType = 6000;
  engine::SetGreetingLineHandler(&engine::GreetingLineSeen);
  // Every reply consumes at least one line, and a line at least one byte, so
  // the stream's end comes within size + 1 replies.
  for (std::size_t replies = 0; replies <= size + 1; ++replies) {
    const int replyClass = engine::ReadReply(ends[0]);
    if (replyClass < 0 || replyClass > 5) std::abort();
    if (session.ReplyLine.size() > 2047) std::abort();
    if (session.LastReplyCode == 421 && session.CancelRequested) break;
    if (replies == size + 1) std::abort();  // the reader never reached the end
  }
  ::close(ends[0]);
  return 0;
}
