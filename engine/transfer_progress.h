#pragma once
// What a running transfer shows and what it logs afterwards: the rate rule,
// the size announced in a 150 reply, the progress text, the statistics line
// and the transfer log line. Pure functions over their inputs; the transfer
// loops feed them and the host displays the results.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace korval::engine {

struct Rate {
  double value = 0;
  const char* unit = "bps";
};

// The rate for `bytes` moved in `elapsedMs` (at least 100 ms counted);
// bytes per second when `bytesPerSecond` (setting tranrate 1), else bits.
Rate FormatRate(std::int64_t bytes, std::int64_t elapsedMs, bool bytesPerSecond);

// The size a preliminary reply announces: "(12345 bytes)" gives 12345 and
// "(12k)" or "(12k bytes)" 12288; 0 when none is found or the number is
// unusable.
std::int64_t SizeFromReplyText(std::string_view replyText);
// The same, but only an exact byte count ("(12345 bytes)"): a size in
// kilobytes is rounded, so 0 for it.
std::int64_t ExactSizeFromReplyText(std::string_view replyText);

// The progress text after `bytes` of `expected` (0: unknown): with the status
// dialog, count, rate, elapsed and remaining time; without it, the count.
std::string ProgressText(std::int64_t bytes, std::int64_t elapsedMs, std::int64_t expected,
                         bool statusDialog, bool bytesPerSecond);

// The bar's percentage for the number a progress text starts with.
int ProgressPercent(std::int64_t bytes, std::int64_t expected);

// "Received 4096 bytes in 0.1 secs, (320.00 Kbps), transfer succeeded"
std::string StatisticsLine(std::string_view label, std::int64_t bytes, std::int64_t elapsedMs, bool failed,
                           bool bytesPerSecond);

struct TransferLogRecord {
  std::tm when{};          // local date and time
  char typeSent = 'I';     // the TYPE letter in force: 'A' logs A, others B
  std::string localDir;    // the local current directory
  std::string localName;   // as the caller gave it
  bool send = false;       // "-->" for a send, "<--" for a receive
  std::string host;        // profile HOST (send) or name (receive)
  std::string remoteDir;
  std::string remoteName;
};

// One line of the transfer log, newline included.
std::string TransferLogLine(const TransferLogRecord& record);

}  // namespace korval::engine
