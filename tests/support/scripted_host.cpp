#include "tests/support/scripted_host.h"

#include <utility>

namespace korval::testing {

void PrintTo(const HostCall& call, std::ostream* out) {
  *out << call.function << "(\"" << call.text << "\", \"" << call.detail << "\")";
}

void ScriptedHost::QueueAnswer(std::string answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back({std::move(answer)});
}

void ScriptedHost::QueueCancel() {
  std::lock_guard lock(mutex_);
  answers_.push_back({std::nullopt});
}

void ScriptedHost::QueueKeepPreset() {
  std::lock_guard lock(mutex_);
  answers_.push_back({std::nullopt, true});
}

std::size_t ScriptedHost::PendingAnswers() const {
  std::lock_guard lock(mutex_);
  return answers_.size();
}

std::vector<HostCall> ScriptedHost::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<HostCall> ScriptedHost::CallsTo(std::string_view function) const {
  std::lock_guard lock(mutex_);
  std::vector<HostCall> matching;
  for (const HostCall& call : calls_) {
    if (call.function == function) matching.push_back(call);
  }
  return matching;
}

std::vector<PromptRecord> ScriptedHost::Prompts() const {
  std::lock_guard lock(mutex_);
  return prompts_;
}

int ScriptedHost::UnansweredPrompts() const {
  std::lock_guard lock(mutex_);
  return unansweredPrompts_;
}

std::vector<MessageRecord> ScriptedHost::Messages() const {
  std::vector<MessageRecord> messages;
  for (const HostCall& call : CallsTo("ShowMessage")) messages.push_back({call.text, call.detail});
  return messages;
}

std::vector<std::string> ScriptedHost::LogWindowLines() const {
  std::vector<std::string> lines;
  for (const HostCall& call : CallsTo("AppendToLogWindow")) lines.push_back(call.text);
  return lines;
}

std::string ScriptedHost::StatusLine(int slot) const {
  std::vector<std::string> history = StatusLineHistory(slot);
  return history.empty() ? std::string() : history.back();
}

std::vector<std::string> ScriptedHost::StatusLineHistory(int slot) const {
  const std::string slotText = std::to_string(slot);
  std::vector<std::string> texts;
  for (const HostCall& call : CallsTo("SetStatusLine")) {
    if (call.detail == slotText) texts.push_back(call.text);
  }
  return texts;
}

std::vector<std::string> ScriptedHost::Sounds() const {
  std::vector<std::string> sounds;
  for (const HostCall& call : CallsTo("PlaySound")) sounds.push_back(call.text);
  return sounds;
}

int ScriptedHost::Beeps() const { return static_cast<int>(CallsTo("Beep").size()); }

std::vector<std::string> ScriptedHost::BeepKinds() const {
  std::vector<std::string> kinds;
  for (const HostCall& call : CallsTo("Beep")) kinds.push_back(call.detail);
  return kinds;
}

void ScriptedHost::QueueProfileDialog(config::SessionProfile profile) {
  std::lock_guard lock(mutex_);
  profileDialogs_.push_back(std::move(profile));
}

void ScriptedHost::QueueProfileDialogCancel() {
  std::lock_guard lock(mutex_);
  profileDialogs_.push_back(std::nullopt);
}

void ScriptedHost::QueueYesNo(bool yes) {
  std::lock_guard lock(mutex_);
  yesNoAnswers_.push_back(yes);
}

void ScriptedHost::QueueDeletionAnswer(int answer) {
  std::lock_guard lock(mutex_);
  deletionAnswers_.push_back(answer);
}

void ScriptedHost::QueueChmodBits(int bits) {
  std::lock_guard lock(mutex_);
  chmodAnswers_.push_back(bits);
}

void ScriptedHost::QueueCertificateAnswer(platform::CertificateTrust answer) {
  std::lock_guard lock(mutex_);
  certificateAnswers_.push_back(answer);
}

void ScriptedHost::Clear() {
  std::lock_guard lock(mutex_);
  answers_.clear();
  profileDialogs_.clear();
  yesNoAnswers_.clear();
  deletionAnswers_.clear();
  chmodAnswers_.clear();
  certificateAnswers_.clear();
  calls_.clear();
  prompts_.clear();
  unansweredPrompts_ = 0;
}

void ScriptedHost::AppendToLogWindow(std::string_view line) { Record("AppendToLogWindow", line); }

void ScriptedHost::SetStatusLine(int slot, std::string_view text) {
  Record("SetStatusLine", text, std::to_string(slot));
}

std::optional<std::string> ScriptedHost::AskText(std::string_view prompt, std::string_view initial,
                                                 std::size_t capacity) {
  return Answer(PromptKind::Text, prompt, initial, capacity);
}

std::optional<std::string> ScriptedHost::AskPassword(std::string_view prompt, std::size_t capacity) {
  return Answer(PromptKind::Password, prompt, {}, capacity);
}

void ScriptedHost::ShowMessage(std::string_view text, std::string_view caption) {
  Record("ShowMessage", text, caption);
}

void ScriptedHost::OpenStatusDisplay(int direction, std::string_view statusText, platform::StatusDisplayTarget target,
                                     std::int64_t expectedSize) {
  const char* where = target == platform::StatusDisplayTarget::Dialog ? "dialog" : "field";
  Record("OpenStatusDisplay", statusText, std::to_string(direction) + " " + where + " " + std::to_string(expectedSize));
}

void ScriptedHost::SetProgressText(std::string_view text, std::int64_t bytes, std::int64_t expectedSize) {
  Record("SetProgressText", text, std::to_string(bytes) + " " + std::to_string(expectedSize));
}

void ScriptedHost::CloseStatusDisplay() { Record("CloseStatusDisplay", {}); }

void ScriptedHost::PlaySound(std::string_view waveFile) { Record("PlaySound", waveFile); }

void ScriptedHost::Beep(platform::BeepKind kind) {
  Record("Beep", {},
         kind == platform::BeepKind::Simple     ? "simple"
         : kind == platform::BeepKind::Asterisk ? "asterisk"
                                                : "exclamation");
}

void ScriptedHost::BusyStarted() { Record("BusyStarted", {}); }

void ScriptedHost::BusyEnded() { Record("BusyEnded", {}); }

void ScriptedHost::PaneChanged(platform::PaneSide pane) {
  Record("PaneChanged", pane == platform::PaneSide::Local ? "local" : "remote");
}

namespace {
const char* JobName(platform::BackgroundJob job) {
  return job == platform::BackgroundJob::SelectionTransfer ? "selection" : "edit";
}
}  // namespace

void ScriptedHost::WorkerStopping(platform::BackgroundJob job) { Record("WorkerStopping", JobName(job)); }

void ScriptedHost::WorkerFinished(platform::BackgroundJob job) { Record("WorkerFinished", JobName(job)); }

void ScriptedHost::ShowHelp(int context) { Record("ShowHelp", std::to_string(context)); }

std::optional<std::string> ScriptedHost::AskPasswordPreset(std::string_view prompt, std::string_view preset,
                                                           std::size_t capacity) {
  return Answer(PromptKind::Password, prompt, preset, capacity);
}

std::optional<std::string> ScriptedHost::AskChoice(std::string_view prompt, std::string_view initial,
                                                   const std::vector<std::string>& choices, std::size_t capacity) {
  return Answer(PromptKind::Choice, prompt, initial, capacity, choices);
}

void ScriptedHost::RestoreMainWindow() { Record("RestoreMainWindow", {}); }

namespace {
template <typename Value>
Value TakeFront(std::deque<Value>& queue, Value fallback) {
  if (queue.empty()) return fallback;
  Value value = queue.front();
  queue.pop_front();
  return value;
}
}  // namespace

bool ScriptedHost::AskYesNo(std::string_view question, std::string_view caption) {
  std::lock_guard lock(mutex_);
  RecordLocked("AskYesNo", question, caption);
  return TakeFront(yesNoAnswers_, false);
}

int ScriptedHost::AskVerifyDeletion(std::string_view question, bool offerDeleteAll) {
  std::lock_guard lock(mutex_);
  RecordLocked("AskVerifyDeletion", question, offerDeleteAll ? "all" : "");
  return TakeFront(deletionAnswers_, static_cast<int>(DeletionCancel));
}

int ScriptedHost::RunChmodDialog(int bits) {
  std::lock_guard lock(mutex_);
  RecordLocked("RunChmodDialog", std::to_string(bits), {});
  return TakeFront(chmodAnswers_, 0);
}

platform::CertificateTrust ScriptedHost::AskCertificateTrust(std::string_view host,
                                                            const platform::CertificateDetails& details) {
  std::lock_guard lock(mutex_);
  RecordLocked("AskCertificateTrust", host, details.Fingerprint + " " + details.Problem);
  return TakeFront(certificateAnswers_, platform::CertificateTrust::Refuse);
}

void ScriptedHost::SetPromptHelpContext(int context) { Record("SetPromptHelpContext", std::to_string(context)); }

bool ScriptedHost::RunSessionProfileDialog() {
  std::optional<config::SessionProfile> outcome;
  {
    std::lock_guard lock(mutex_);
    RecordLocked("RunSessionProfileDialog", {}, {});
    if (!profileDialogs_.empty()) {
      outcome = std::move(profileDialogs_.front());
      profileDialogs_.pop_front();
    }
  }
  if (!outcome) return false;
  config::ProfileDialogCopy() = std::move(*outcome);
  return true;
}

void ScriptedHost::SetWindowCaption(std::string_view caption) { Record("SetWindowCaption", caption); }

void ScriptedHost::EnableControl(int controlId, bool enabled) {
  Record("EnableControl", std::to_string(controlId), enabled ? "1" : "0");
}

void ScriptedHost::SetControlText(int controlId, std::string_view text) {
  Record("SetControlText", text, std::to_string(controlId));
}

std::optional<std::string> ScriptedHost::ControlText(int controlId) {
  const std::string id = std::to_string(controlId);
  std::lock_guard lock(mutex_);
  for (auto call = calls_.rbegin(); call != calls_.rend(); ++call)
    if (call->function == "SetControlText" && call->detail == id) return call->text;
  return std::nullopt;
}

void ScriptedHost::DirectoryBoxChanged(int controlId) { Record("DirectoryBoxChanged", std::to_string(controlId)); }

void ScriptedHost::UpdateControlStates() { Record("UpdateControlStates", {}); }

void ScriptedHost::PostCommand(int commandId) { Record("PostCommand", std::to_string(commandId)); }

void ScriptedHost::RestoreCursor() { Record("RestoreCursor", {}); }

void ScriptedHost::CloseMainWindow() { Record("CloseMainWindow", {}); }

void ScriptedHost::Record(std::string_view function, std::string_view text, std::string_view detail) {
  std::lock_guard lock(mutex_);
  RecordLocked(function, text, detail);
}

void ScriptedHost::RecordLocked(std::string_view function, std::string_view text, std::string_view detail) {
  calls_.push_back({std::string(function), std::string(text), std::string(detail)});
}

std::optional<std::string> ScriptedHost::Answer(PromptKind kind, std::string_view prompt, std::string_view initial,
                                                std::size_t capacity, std::vector<std::string> choices) {
  std::lock_guard lock(mutex_);
  std::optional<std::string> answer;
  if (answers_.empty()) {
    ++unansweredPrompts_;
  } else {
    QueuedAnswer queued = std::move(answers_.front());
    answers_.pop_front();
    answer = queued.keepPreset ? std::optional<std::string>(initial) : std::move(queued.text);
    if (answer && answer->size() > capacity) answer->resize(capacity);
  }
  prompts_.push_back({kind, std::string(prompt), std::string(initial), capacity, answer, std::move(choices)});
  const char* function = kind == PromptKind::Text ? "AskText" : kind == PromptKind::Password ? "AskPassword" : "AskChoice";
  RecordLocked(function, prompt, initial);
  return answer;
}

ScopedHost::ScopedHost(platform::Host& host) { platform::SetHost(&host); }

ScopedHost::~ScopedHost() { platform::SetHost(nullptr); }

}  // namespace korval::testing
