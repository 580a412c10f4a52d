#include "engine/listing_receive.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>

#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/data_connection.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/timeout_timer.h"
#include "engine/transfer_progress.h"
#include "platform/net.h"

namespace korval::engine {

namespace {

constexpr std::size_t ListingBlockSize = 4096;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Moves the data connection's bytes into `file`; the number of bytes.
std::int64_t ReceiveInto(std::FILE* file, int controlSocket) {
  Session& session = TheSession();
  BusyScope busy;
  StopTimeoutTimer();
  session.CancelRequested = false;
  // A listing that stalls for the whole network time-out is given up.
  const std::uint32_t timeout = config::CurrentProfile().Timeout;
  const int stallLimitMs = timeout > 0 ? static_cast<int>(std::min<std::uint32_t>(timeout, 86400) * 1000) : -1;
  const auto started = std::chrono::steady_clock::now();
  std::int64_t total = 0;
  char block[ListingBlockSize];
  ssize_t count = 0;
  while (!session.CancelRequested) {
    count = RecvWait(session.DataSocket, block, sizeof block, 0, stallLimitMs);
    if (count <= 0) break;
    if (std::fwrite(block, 1, static_cast<std::size_t>(count), file) != static_cast<std::size_t>(count)) {
      static constexpr char abort[] = "ABOR\r\n";
      SendWait(controlSocket, abort, sizeof abort - 1, SendTimeoutMs);
      session.CancelRequested = true;
      LogMessage("File error on WRITE! Aborted");
    }
    total += count;
  }
  if (count < 0) ReportSocketError("Receive error", platform::LastSocketError());
  const auto elapsedMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  if (total > 0) LogMessage(StatisticsLine("Received", total, elapsedMs, session.CancelRequested, false));
  return total;
}

}  // namespace

int ReceiveListing(int controlSocket, std::string_view command, const std::string& localPath) {
  Session& session = TheSession();
  session.LastReplyCode = 0;
  if (controlSocket == -1) {
    LogMessage("no ctrl_skt, ignored");
    return 0;
  }
  if (BusyCountOfOtherThreads() > 0 || session.CommandActive) {
    LogMessage("command in process, ignored");
    return 0;
  }
  if (session.ServerTypeSent != 'A') {
    SendCommand(controlSocket, "TYPE %c", 'A');
    session.ServerTypeSent = 'A';
  }
  File file(std::fopen(localPath.c_str(), "wb"));
  if (!file) {
    LogPrintf("FAILED TO OPEN %s FOR WRITE!", localPath.c_str());
    return 0;
  }

  DataConnectionMode mode = OpenDataConnection(controlSocket, config::CurrentProfile().Passive != 0);
  if (mode == DataConnectionMode::None) return 0;
  if (SendCommandText(controlSocket, command) != 1) {
    // Refused: no data will come, and no completion reply either.
    CloseDataConnection();
    return 0;
  }
  if (!AwaitDataConnection(mode)) {
    CloseDataConnection();
    return 0;
  }
  ReceiveInto(file.get(), controlSocket);
  file.reset();
  CloseDataConnection();
  if (mode == DataConnectionMode::Active)
    LogPrintf("[%u] looking for completion line", static_cast<unsigned>(controlSocket));
  return ReadReply(controlSocket);
}

}  // namespace korval::engine
