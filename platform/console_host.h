#pragma once
// The host of batch mode without a display: message boxes go to stderr,
// prompts ask on the terminal (passwords without echo), progress shows on a
// terminal's stderr at most twice a second. Without a terminal a prompt is
// cancelled at once, so a script never hangs waiting for input.

#include "platform/host.h"

#include <chrono>
#include <string>

namespace korval::platform {

class ConsoleHost : public Host {
 public:
  ConsoleHost();

  std::optional<std::string> AskText(std::string_view prompt, std::string_view initial, std::size_t capacity) override;
  std::optional<std::string> AskPassword(std::string_view prompt, std::size_t capacity) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void OpenStatusDisplay(int direction, std::string_view statusText) override;
  void SetProgressText(std::string_view text) override;
  void CloseStatusDisplay() override;
  void PlaySound(std::string_view waveFile) override;
  void Beep() override;

 private:
  std::optional<std::string> AskOnTerminal(std::string_view prompt, std::string_view initial, std::size_t capacity,
                                           bool echo);
  bool progressToTerminal_;
  bool progressShown_ = false;
  std::chrono::steady_clock::time_point lastProgress_{};
};

}  // namespace korval::platform
