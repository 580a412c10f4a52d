#pragma once
// The host of batch mode without a display: message boxes go to stderr,
// prompts ask on the terminal (passwords without echo). On a terminal's
// stderr a transfer shows a one-line progress meter, redrawn at most twice a
// second and cleared when the transfer ends; into a pipe or a file nothing is
// written for progress. On request every line of the message log goes to
// stderr too. Without a terminal a prompt is cancelled at once, so a script
// never hangs waiting for input.

#include "platform/host.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace korval::platform {

class ConsoleHost : public Host {
 public:
  ConsoleHost();

  // The message log's lines on stderr as they are logged (off by default).
  void SetLogEcho(bool on) { logEcho_ = on; }
  // The progress meter, shown only when stderr is a terminal (on by default).
  void SetProgressMeter(bool on) { meterWanted_ = on; }

  void AppendToLogWindow(std::string_view line) override;
  std::optional<std::string> AskText(std::string_view prompt, std::string_view initial, std::size_t capacity) override;
  std::optional<std::string> AskPassword(std::string_view prompt, std::size_t capacity) override;
  // The certificate's details and the question on the terminal; refused
  // without a terminal.
  CertificateTrust AskCertificateTrust(std::string_view host, const CertificateDetails& details) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void OpenStatusDisplay(int direction, std::string_view statusText, StatusDisplayTarget target,
                         std::int64_t expectedSize) override;
  void TransferProgressed(std::int64_t bytes, std::int64_t expected, std::int64_t elapsedMs) override;
  void CloseStatusDisplay() override;
  void PlaySound(std::string_view waveFile) override;
  // Every kind is the terminal's bell.
  void Beep(BeepKind kind) override;

 private:
  std::optional<std::string> AskOnTerminal(std::string_view prompt, std::string_view initial, std::size_t capacity,
                                           bool echo);
  bool MeterShown() const { return meterWidth_ > 0; }
  void DrawMeter();
  // Blanks the meter's line, so that a message is written on a clean line;
  // the meter comes back with the next progress.
  void ClearMeter();

  const bool stderrIsTerminal_;
  bool meterWanted_ = true;
  bool logEcho_ = false;
  bool meterOpen_ = false;
  std::size_t meterWidth_ = 0;  // characters of the meter on the screen, 0 when none
  std::chrono::steady_clock::time_point lastDraw_{};
  std::int64_t bytes_ = 0;
  std::int64_t expected_ = 0;
  std::int64_t elapsedMs_ = 0;
};

}  // namespace korval::platform
