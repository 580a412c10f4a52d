#pragma once
// The display and the records of one data loop: the status display through
// the host, progress at most every 500 ms, the statistics line, and the
// transfer log file.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace korval::engine {

constexpr std::size_t StatusTextCapacity = 511;

enum class TransferDirection { Send = 1, Receive = 2 };

// What the status display shows, and the size it measures progress against.
struct TransferStatus {
  std::string StatusText;       // the 150 line, or "Sending ... file ..."
  std::int64_t ExpectedSize = 0;  // 0 when unknown
};
TransferStatus& Status();

using TransferClock = std::chrono::steady_clock;

void OpenStatusDisplay(TransferDirection direction);
void CloseStatusDisplay();
// After every block; with `bytes` 0, the reset.
void ShowProgress(std::int64_t bytes, TransferClock::time_point start, TransferClock::time_point now,
                  std::int64_t expected);
void LogTransferStats(std::string_view label, std::int64_t bytes, TransferClock::time_point start,
                      TransferClock::time_point end, bool failed);
// One line in the transfer log (setting logfile) when dolog is 1.
// A relative logfile name lies in the directory of the configuration file,
// whatever the current directory (which the local pane changes), so one log
// collects every transfer; an absolute one is used as given. `localName` is
// a name in `localDirectory` (empty: the current directory).
void WriteTransferLog(TransferDirection direction, std::string_view localName, std::string_view hostText,
                      std::string_view remoteDir, std::string_view remoteName, std::string_view localDirectory = {});
// Where the log of a logfile name goes.
std::string TransferLogPath(std::string_view logName);

}  // namespace korval::engine
