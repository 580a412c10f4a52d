#include "engine/transfer_status.h"

#include <unistd.h>

#include <ctime>
#include <fstream>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/transfer_switches.h"
#include "engine/last_entry.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/transfer_progress.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::engine {

namespace {
constexpr auto ProgressInterval = std::chrono::milliseconds(500);
TransferClock::time_point lastProgressTick{};
bool displayOpen = false;

std::int64_t ElapsedMs(TransferClock::time_point start, TransferClock::time_point end) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
}
}  // namespace

TransferStatus& Status() {
  static TransferStatus status;
  return status;
}

void OpenStatusDisplay(TransferDirection direction) {
  TransferStatus& status = Status();
  status.StatusText = platform::TruncateTo(status.StatusText, StatusTextCapacity - 1);
  // The size the server announced, else the size the pane listed.
  status.ExpectedSize = SizeFromReplyText(status.StatusText);
  if (status.ExpectedSize == 0 && LastEntry().Size != 0) status.ExpectedSize = static_cast<std::int64_t>(LastEntry().Size);
  displayOpen = true;
  lastProgressTick = {};
  const platform::StatusDisplayTarget target = config::CurrentTransferSwitches().ShowTransferDialog != 0
                                                   ? platform::StatusDisplayTarget::Dialog
                                                   : platform::StatusDisplayTarget::MainWindowField;
  platform::CurrentHost().OpenStatusDisplay(static_cast<int>(direction), status.StatusText, target,
                                            status.ExpectedSize);
}

void CloseStatusDisplay() {
  if (!displayOpen) return;
  displayOpen = false;
  platform::CurrentHost().CloseStatusDisplay();
}

void ShowProgress(std::int64_t bytes, TransferClock::time_point start, TransferClock::time_point now,
                  std::int64_t expected) {
  if (!displayOpen) return;
  const config::ProgramSettings& settings = config::Settings();
  if (bytes == 0) {
    platform::CurrentHost().SetProgressText("", 0, expected);
    return;
  }
  platform::CurrentHost().TransferProgressed(bytes, expected, ElapsedMs(start, now));
  // The text is rebuilt at most twice a second, whatever the block size.
  if (now - lastProgressTick < ProgressInterval) return;
  lastProgressTick = now;
  platform::CurrentHost().SetProgressText(
      ProgressText(bytes, ElapsedMs(start, now), expected, config::CurrentTransferSwitches().ShowTransferDialog != 0,
                   settings.RatesInBytes == 1),
      bytes, expected);
}

void LogTransferStats(std::string_view label, std::int64_t bytes, TransferClock::time_point start,
                      TransferClock::time_point end, bool failed) {
  LogMessage(StatisticsLine(label, bytes, ElapsedMs(start, end), failed, config::Settings().RatesInBytes == 1));
  Status().ExpectedSize = 0;
}

std::string TransferLogPath(std::string_view logName) {
  if (logName.empty() || logName.front() == '/') return std::string(logName);
  const std::string& configPath = config::ProgramFiles().ConfigPath;
  const std::size_t slash = configPath.rfind('/');
  const std::string directory = slash != std::string::npos ? configPath.substr(0, slash) : config::ConfigDirectory();
  if (directory.empty()) return std::string(logName);
  return directory + "/" + std::string(logName);
}

void WriteTransferLog(TransferDirection direction, std::string_view localName, std::string_view hostText,
                      std::string_view remoteDir, std::string_view remoteName, std::string_view localDirectory) {
  TransferLogRecord record;
  std::time_t now = std::time(nullptr);
  ::localtime_r(&now, &record.when);
  char directory[4096];
  if (!localDirectory.empty())
    record.localDir = std::string(localDirectory);
  else
    record.localDir = ::getcwd(directory, sizeof directory) ? directory : "";
  if (config::ReadTransferLogEnabled() != 1) return;
  const std::string logPath = TransferLogPath(config::ReadTransferLogName());
  config::EnsureDirectoryFor(logPath);
  std::ofstream log(logPath, std::ios::app | std::ios::binary);
  if (!log) return;
  record.typeSent = TheSession().ServerTypeSent;
  record.localName = std::string(localName);
  record.send = direction == TransferDirection::Send;
  record.host = std::string(hostText);
  record.remoteDir = std::string(remoteDir);
  record.remoteName = std::string(remoteName);
  log << TransferLogLine(record);
}

}  // namespace korval::engine
