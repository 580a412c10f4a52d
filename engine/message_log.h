#pragma once
// The message log: the one print facility of every subsystem. Lines that
// begin with "[" are diagnostics, shown only with VERBOSE on. Every shown line
// goes to the 60-slot history, the host's log window and status lines, and in
// batch mode to "xferlog.txt" in the current directory.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace korval::engine {

constexpr std::size_t LogLineCapacity = 255;     // LogPrintf's limit
constexpr std::size_t HistoryLineCapacity = 99;  // one history slot
constexpr int HistorySlots = 60;

struct MessageLogHistory {
  std::array<std::string, HistorySlots> LogHistory;
  int LogIndex = 0;  // next slot to write, 0..59
  int LogLast = 0;   // slot written most recently
};

void LogMessage(std::string_view text);
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogAppend(std::string_view text);

// A copy of the history, for the status lines' scrolling and for tests.
MessageLogHistory LogHistorySnapshot();
void ResetMessageLog();

}  // namespace korval::engine
