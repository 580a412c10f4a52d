#include "engine/message_log.h"

#include <cstdio>
#include <mutex>

#include "config/program_settings.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::engine {

namespace {
// Workers log too; the lock keeps the history consistent (the host's sinks
// are responsible for reaching their widgets on the right thread).
std::mutex logMutex;
MessageLogHistory history;
}  // namespace

void LogMessage(std::string_view text) {
  if (!config::Settings().Verbose && !text.empty() && text.front() == '[') return;
  LogAppend(text);
}

void LogPrintf(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string line = platform::FormatTruncatedV(LogLineCapacity, format, arguments);
  va_end(arguments);
  LogMessage(line);
}

void LogAppend(std::string_view text) {
  std::unique_lock<std::mutex> lock(logMutex);
  if (config::BatchMode()) {
    if (std::FILE* file = std::fopen("xferlog.txt", "a")) {
      std::fwrite(text.data(), 1, text.size(), file);
      std::fputc('\n', file);
      std::fclose(file);
    }
  }
  // Once all 60 slots hold lines, each new line pushes the oldest out.
  if (history.LogIndex == HistorySlots - 1 && history.LogLast == HistorySlots - 1) {
    for (int slot = 1; slot < HistorySlots; ++slot)
      history.LogHistory[slot - 1] = std::move(history.LogHistory[slot]);
  }
  history.LogHistory[history.LogIndex] = platform::TruncateTo(text, HistoryLineCapacity);
  std::string lower = history.LogHistory[history.LogIndex];
  std::string upper = history.LogIndex > 0 ? history.LogHistory[history.LogIndex - 1] : std::string();
  bool showUpper = history.LogIndex > 0;
  history.LogLast = history.LogIndex;
  if (history.LogIndex < HistorySlots - 1) ++history.LogIndex;
  lock.unlock();

  // The sinks run outside the lock: a host may log from inside them.
  platform::Host& host = platform::CurrentHost();
  host.AppendToLogWindow(text);
  host.SetStatusLine(3, lower);
  if (showUpper) host.SetStatusLine(2, upper);
}

MessageLogHistory LogHistorySnapshot() {
  std::lock_guard<std::mutex> lock(logMutex);
  return history;
}

void ResetMessageLog() {
  std::lock_guard<std::mutex> lock(logMutex);
  history = MessageLogHistory{};
}

}  // namespace korval::engine
