#include "platform/console_host.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/progress_meter.h"
#include "platform/text.h"

namespace korval::platform {

namespace {

// The controlling terminal, opened for one prompt and closed afterwards.
class Terminal {
 public:
  Terminal() : fd_(::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY)) {}
  ~Terminal() {
    if (fd_ >= 0) ::close(fd_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  bool IsOpen() const { return fd_ >= 0 && ::isatty(fd_); }
  int Fd() const { return fd_; }
  void Write(std::string_view text) { (void)!::write(fd_, text.data(), text.size()); }

 private:
  int fd_;
};

void WriteStderr(std::string_view text) { (void)!::write(STDERR_FILENO, text.data(), text.size()); }

constexpr auto MeterInterval = std::chrono::milliseconds(500);

}  // namespace

ConsoleHost::ConsoleHost() : stderrIsTerminal_(::isatty(STDERR_FILENO) != 0) {}

std::optional<std::string> ConsoleHost::AskOnTerminal(std::string_view prompt, std::string_view initial,
                                                      std::size_t capacity, bool echo) {
  Terminal terminal;
  if (!terminal.IsOpen()) return std::nullopt;
  std::string question(prompt);
  if (!initial.empty()) question += " [" + std::string(initial) + "]";
  terminal.Write(question + " ");

  termios saved{};
  bool echoOff = false;
  if (!echo && ::tcgetattr(terminal.Fd(), &saved) == 0) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    echoOff = ::tcsetattr(terminal.Fd(), TCSAFLUSH, &quiet) == 0;
  }
  std::string answer;
  bool gotLine = false;
  char c;
  while (::read(terminal.Fd(), &c, 1) == 1) {
    if (c == '\n') {
      gotLine = true;
      break;
    }
    if (c != '\r') answer.push_back(c);
  }
  if (echoOff) {
    ::tcsetattr(terminal.Fd(), TCSAFLUSH, &saved);
    terminal.Write("\n");
  }
  if (!gotLine) return std::nullopt;  // end of input is Cancel
  if (answer.empty() && !initial.empty()) answer = initial;
  return TruncateTo(answer, capacity);
}

std::optional<std::string> ConsoleHost::AskText(std::string_view prompt, std::string_view initial,
                                                std::size_t capacity) {
  return AskOnTerminal(prompt, initial, capacity, true);
}

std::optional<std::string> ConsoleHost::AskPassword(std::string_view prompt, std::size_t capacity) {
  return AskOnTerminal(prompt, "", capacity, false);
}

CertificateTrust ConsoleHost::AskCertificateTrust(std::string_view host, const CertificateDetails& details) {
  Terminal terminal;
  if (!terminal.IsOpen()) return CertificateTrust::Refuse;
  ClearMeter();
  terminal.Write("The certificate of " + std::string(host) + " is not trusted: " + details.Problem + "\n" +
                 "  subject:     " + details.Subject + "\n" + "  issuer:      " + details.Issuer + "\n" +
                 "  valid:       " + details.NotBefore + " to " + details.NotAfter + "\n" +
                 "  SHA-256:     " + details.Fingerprint + "\n");
  for (;;) {
    std::optional<std::string> answer =
        AskOnTerminal("Trust it (o)nce, (a)lways, or (n)o?", "n", 16, true);
    if (!answer || answer->empty()) return CertificateTrust::Refuse;
    switch ((*answer)[0]) {
      case 'o': case 'O': return CertificateTrust::Once;
      case 'a': case 'A': return CertificateTrust::Always;
      case 'n': case 'N': return CertificateTrust::Refuse;
      default: break;
    }
  }
}

void ConsoleHost::AppendToLogWindow(std::string_view line) {
  if (!logEcho_) return;
  ClearMeter();
  WriteStderr(std::string(line) + "\n");
}

void ConsoleHost::ShowMessage(std::string_view text, std::string_view caption) {
  std::string message;
  if (!caption.empty()) message += std::string(caption) + ": ";
  // A message that starts with a line break keeps it for the window; on a
  // terminal the caption's line is enough.
  while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
  message += std::string(text) + "\n";
  ClearMeter();
  WriteStderr(message);
}

void ConsoleHost::OpenStatusDisplay(int /*direction*/, std::string_view /*statusText*/, StatusDisplayTarget /*target*/,
                                    std::int64_t /*expectedSize*/) {
  meterOpen_ = stderrIsTerminal_ && meterWanted_;
  bytes_ = expected_ = elapsedMs_ = 0;
  lastDraw_ = {};
}

void ConsoleHost::TransferProgressed(std::int64_t bytes, std::int64_t expected, std::int64_t elapsedMs) {
  if (!meterOpen_) return;
  bytes_ = bytes;
  expected_ = expected;
  elapsedMs_ = elapsedMs;
  const auto now = std::chrono::steady_clock::now();
  if (MeterShown() && now - lastDraw_ < MeterInterval) return;
  lastDraw_ = now;
  DrawMeter();
}

void ConsoleHost::CloseStatusDisplay() {
  if (!meterOpen_) return;
  // The last count is shown once, whatever the pace, before the line goes.
  if (bytes_ > 0) DrawMeter();
  ClearMeter();
  meterOpen_ = false;
}

void ConsoleHost::DrawMeter() {
  std::string line = ProgressMeterLine(bytes_, expected_, elapsedMs_);
  const std::size_t width = line.size();
  // Blanks over what is left of a longer line before it.
  if (width < meterWidth_) line.append(meterWidth_ - width, ' ');
  line.insert(line.begin(), '\r');
  WriteStderr(line);
  meterWidth_ = width;
}

void ConsoleHost::ClearMeter() {
  if (!MeterShown()) return;
  // Built in place: "text" + std::string trips a false -Wrestrict at -O3.
  std::string blank(meterWidth_ + 2, ' ');
  blank.front() = '\r';
  blank.back() = '\r';
  WriteStderr(blank);
  meterWidth_ = 0;
  lastDraw_ = {};
}

void ConsoleHost::PlaySound(std::string_view /*waveFile*/) { Beep(BeepKind::Simple); }

void ConsoleHost::Beep(BeepKind /*kind*/) {
  if (stderrIsTerminal_) WriteStderr("\a");
}

}  // namespace korval::platform
