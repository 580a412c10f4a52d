#pragma once
// A Host for tests: prompts are answered from a queue the test fills, and
// every call the core makes (message boxes, status lines, log-window lines,
// sounds, beeps) is recorded so the test can assert on it. Thread-safe: a
// worker thread may call it while the test thread reads the records.
//
//   korval::testing::ScriptedHost host;
//   korval::testing::ScopedHost installed(host);   // SetHost, undone at scope end
//   host.QueueAnswer("anna");                       // first prompt
//   host.QueueAnswer("secret");                     // second prompt
//   ... run the code under test ...
//   EXPECT_EQ(host.Prompts().size(), 2u);
//   EXPECT_EQ(host.UnansweredPrompts(), 0);
//
// When the queue is empty a prompt is cancelled (an empty optional) and the
// miss is counted in UnansweredPrompts(). New host calls are added by
// overriding them here and recording them with Record().

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "config/session_profile.h"
#include "platform/host.h"

namespace korval::testing {

// One call on the host, in the order the calls came.
struct HostCall {
  std::string function;  // "AskText", "ShowMessage", "SetStatusLine", ...
  std::string text;      // the main text (prompt, message, line, file name)
  std::string detail;    // second argument (initial text, caption, slot number)

  bool operator==(const HostCall&) const = default;
};
// How a failed expectation shows a call: function("text", "detail").
void PrintTo(const HostCall& call, std::ostream* out);

enum class PromptKind { Text, Password, Choice };

struct PromptRecord {
  PromptKind kind = PromptKind::Text;
  std::string prompt;
  std::string initial;  // AskText's initial value (empty for passwords)
  std::size_t capacity = 0;
  std::optional<std::string> answer;  // what the host returned; empty: cancelled
  std::vector<std::string> choices;   // AskChoice's drop-down list
};

struct MessageRecord {
  std::string text;
  std::string caption;

  bool operator==(const MessageRecord&) const = default;
};

class ScriptedHost : public platform::Host {
 public:
  // Answers for the coming AskText/AskPassword calls, first queued first used.
  // An answer longer than the prompt's capacity is cut to it, as a dialog's
  // edit field would.
  void QueueAnswer(std::string answer);
  // The next prompt is cancelled.
  void QueueCancel();
  // The next prompt is confirmed with its preset as shown (OK, nothing typed).
  void QueueKeepPreset();
  std::size_t PendingAnswers() const;
  // Outcomes of the coming Session Profile dialogs: OK with `profile` (it
  // becomes config::ProfileDialogCopy()), or Cancel. Cancel when none is
  // queued.
  void QueueProfileDialog(config::SessionProfile profile);
  void QueueProfileDialogCancel();
  // Answers of the coming Yes/No questions (No when none is queued), Verify
  // Deletion dialogs (6 Yes, 7 No, 4 Delete All, 2 Cancel; Cancel when none is
  // queued) and chmod dialogs (the bits; 0, Cancel, when none is queued).
  void QueueYesNo(bool yes);
  void QueueDeletionAnswer(int answer);
  void QueueChmodBits(int bits);
  // Answers of the coming certificate questions (Refuse when none is queued).
  void QueueCertificateAnswer(platform::CertificateTrust answer);

  // Records.
  std::vector<HostCall> Calls() const;
  // The calls of one function ("OpenStatusDisplay", "SetProgressText", ...).
  std::vector<HostCall> CallsTo(std::string_view function) const;
  std::vector<PromptRecord> Prompts() const;
  // Prompts that found the queue empty (and were cancelled).
  int UnansweredPrompts() const;
  std::vector<MessageRecord> Messages() const;
  std::vector<std::string> LogWindowLines() const;
  // The current text of status line `slot` (2 upper, 3 lower); empty if unset.
  std::string StatusLine(int slot) const;
  // Every text set on status line `slot`, in order.
  std::vector<std::string> StatusLineHistory(int slot) const;
  std::vector<std::string> Sounds() const;
  int Beeps() const;
  // The kinds of the beeps, in order ("simple", "asterisk", "exclamation").
  std::vector<std::string> BeepKinds() const;

  // Forgets the records and the queued answers.
  void Clear();

  // platform::Host
  void AppendToLogWindow(std::string_view line) override;
  void SetStatusLine(int slot, std::string_view text) override;
  std::optional<std::string> AskText(std::string_view prompt, std::string_view initial,
                                     std::size_t capacity) override;
  std::optional<std::string> AskPassword(std::string_view prompt, std::size_t capacity) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  // Recorded as "OpenStatusDisplay" (text: status text, detail: direction,
  // "dialog" or "field", and the expected size: "2 dialog 2048"),
  // "SetProgressText" (text: the text, detail: bytes and expected size:
  // "1024 2048") and "CloseStatusDisplay".
  void OpenStatusDisplay(int direction, std::string_view statusText, platform::StatusDisplayTarget target,
                         std::int64_t expectedSize) override;
  void SetProgressText(std::string_view text, std::int64_t bytes, std::int64_t expectedSize) override;
  void CloseStatusDisplay() override;
  void PlaySound(std::string_view waveFile) override;
  // "Beep" (detail: the kind, as BeepKinds() names it).
  void Beep(platform::BeepKind kind) override;
  // "BusyStarted", "BusyEnded"; "PaneChanged" (text: "local" or "remote");
  // "WorkerStopping" and "WorkerFinished" (text: "selection" or "edit");
  // "ShowHelp" (text: the context).
  void BusyStarted() override;
  void BusyEnded() override;
  void PaneChanged(platform::PaneSide pane) override;
  void WorkerStopping(platform::BackgroundJob job) override;
  void WorkerFinished(platform::BackgroundJob job) override;
  void ShowHelp(int context) override;
  // Recorded as "AskPassword" with the preset as the initial text.
  std::optional<std::string> AskPasswordPreset(std::string_view prompt, std::string_view preset,
                                               std::size_t capacity) override;
  // Recorded as "AskChoice" (text: prompt, detail: initial), answered from
  // the text answers.
  std::optional<std::string> AskChoice(std::string_view prompt, std::string_view initial,
                                       const std::vector<std::string>& choices, std::size_t capacity) override;
  // "RestoreMainWindow".
  void RestoreMainWindow() override;
  // "AskYesNo" (text: question, detail: caption); "AskVerifyDeletion" (text:
  // question, detail: "all" when Delete All is offered, else ""); "RunChmodDialog"
  // (text: the bits it opened with).
  bool AskYesNo(std::string_view question, std::string_view caption) override;
  int AskVerifyDeletion(std::string_view question, bool offerDeleteAll) override;
  int RunChmodDialog(int bits) override;
  // "AskCertificateTrust" (text: the host, detail: the fingerprint and the
  // problem, "AB:CD:... self-signed certificate").
  platform::CertificateTrust AskCertificateTrust(std::string_view host,
                                                 const platform::CertificateDetails& details) override;
  // "SetPromptHelpContext" (text: the context).
  void SetPromptHelpContext(int context) override;
  // "RunSessionProfileDialog".
  bool RunSessionProfileDialog() override;
  // "SetWindowCaption"; "EnableControl" (text: id, detail: "1" or "0");
  // "SetControlText" (text: the text, detail: id); "UpdateControlStates";
  // "PostCommand" (text: id); "RestoreCursor". ControlText() gives back what
  // SetControlText put there, as a window's edit field would.
  void SetWindowCaption(std::string_view caption) override;
  void EnableControl(int controlId, bool enabled) override;
  void SetControlText(int controlId, std::string_view text) override;
  std::optional<std::string> ControlText(int controlId) override;
  // "DirectoryBoxChanged" (text: id).
  void DirectoryBoxChanged(int controlId) override;
  void UpdateControlStates() override;
  void PostCommand(int commandId) override;
  void RestoreCursor() override;
  // "CloseMainWindow".
  void CloseMainWindow() override;

 protected:
  // Appends one call to Calls(); for host calls added later.
  void Record(std::string_view function, std::string_view text, std::string_view detail = {});
  // Takes the next queued answer for a prompt and records the prompt.
  std::optional<std::string> Answer(PromptKind kind, std::string_view prompt, std::string_view initial,
                                    std::size_t capacity, std::vector<std::string> choices = {});

  mutable std::mutex mutex_;

 private:
  void RecordLocked(std::string_view function, std::string_view text, std::string_view detail);

  struct QueuedAnswer {
    std::optional<std::string> text;  // nullopt: Cancel
    bool keepPreset = false;
  };
  std::deque<QueuedAnswer> answers_;
  std::deque<std::optional<config::SessionProfile>> profileDialogs_;
  std::deque<bool> yesNoAnswers_;
  std::deque<int> deletionAnswers_;
  std::deque<int> chmodAnswers_;
  std::deque<platform::CertificateTrust> certificateAnswers_;
  std::vector<HostCall> calls_;
  std::vector<PromptRecord> prompts_;
  int unansweredPrompts_ = 0;
};

// Installs a host for the lifetime of the guard and restores the default
// (quiet) host afterwards.
class ScopedHost {
 public:
  explicit ScopedHost(platform::Host& host);
  ~ScopedHost();
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;
};

}  // namespace korval::testing
