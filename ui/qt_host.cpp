#include "ui/qt_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <utility>

#include "config/program_identity.h"
#include "config/prompts.h"
#include "config/session_profile.h"
#include "listing/directory_box.h"
#include "listing/pane_list.h"
#include "ui/logic/control_table.h"
#include "ui/chmod_dialog.h"
#include "ui/delete_dialog.h"
#include "ui/dialog_support.h"
#include "ui/input_dialog.h"
#include "ui/main_window.h"
#include "ui/pane_view.h"
#include "ui/session_profile_dialog.h"
#include "ui/qt_text.h"
#include "ui/sound_player.h"

namespace korval::ui {

namespace {

namespace slot = logic::slot;

std::string Limited(const QString& text, std::size_t capacity) {
  std::string bytes = ToStdString(text);
  if (bytes.size() > capacity) bytes.resize(capacity);
  return bytes;
}

int JobBit(platform::BackgroundJob job) { return job == platform::BackgroundJob::SelectionTransfer ? 1 : 2; }

}  // namespace

QtHost::QtHost(MainWindow* window) : window_(window), sounds_(std::make_unique<SoundPlayer>()) {}

QtHost::~QtHost() = default;

bool QtHost::OnGuiThread() const { return QThread::currentThread() == thread(); }

void QtHost::OnGui(std::function<void()> call) {
  if (OnGuiThread())
    call();
  else
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

template <typename Answer>
Answer QtHost::Ask(Answer cancel, std::function<Answer()> ask) {
  if (OnGuiThread()) return ask();
  if (stoppingJobs_.load() != 0) return cancel;
  Answer answer = cancel;
  // The GUI thread answers while it runs its events; the worker waits here.
  QMetaObject::invokeMethod(
      this, [&] { answer = stoppingJobs_.load() != 0 ? cancel : ask(); }, Qt::BlockingQueuedConnection);
  return answer;
}

int QtHost::RunPrompt(QDialog& dialog, bool fromWorker) {
  if (fromWorker) workerPrompt_ = &dialog;
  const int result = dialog.exec();
  if (fromWorker) workerPrompt_ = nullptr;
  promptHelpContext_ = 0;
  return result;
}

void QtHost::AppendToLogWindow(std::string_view) {
  // The log window keeps its own history from the message log.
}

void QtHost::SetStatusLine(int slotNumber, std::string_view text) {
  if (slotNumber != slot::StatusLine1 && slotNumber != slot::StatusLine2) return;
  OnGui([this, slotNumber, line = ToQString(text)] {
    static_cast<QLabel*>(window_->Control(slotNumber))->setText(line);
  });
}

std::optional<std::string> QtHost::AskInput(std::string_view prompt, std::string_view initial,
                                            std::size_t capacity, InputKind kind,
                                            const std::vector<std::string>& choices) {
  const bool fromWorker = !OnGuiThread();
  return Ask<std::optional<std::string>>(std::nullopt, [&]() -> std::optional<std::string> {
    const InputDialog::Kind dialogKind = kind == InputKind::Hidden        ? InputDialog::Kind::Hidden
                                         : kind == InputKind::WithChoices ? InputDialog::Kind::WithChoices
                                                                          : InputDialog::Kind::Plain;
    InputDialog dialog(dialogKind, window_);
    dialog.setWindowTitle(ToQString(config::ProgramTitle));
    dialog.SetQuestion(ToQString(prompt));
    if (kind == InputKind::WithChoices) {
      QStringList items;
      for (const std::string& choice : choices) items << ToQString(choice);
      dialog.SetChoices(items);
    }
    dialog.SetAnswer(ToQString(initial));
    const int helpContext = promptHelpContext_;
    ConnectHelpKeys(dialog, [this, helpContext] { ShowHelp(helpContext); });
    PlaceDialog(dialog, window_);
    if (RunPrompt(dialog, fromWorker) != QDialog::Accepted) return std::nullopt;
    return Limited(dialog.Answer(), capacity);
  });
}

std::optional<std::string> QtHost::AskText(std::string_view prompt, std::string_view initial,
                                           std::size_t capacity) {
  return AskInput(prompt, initial, capacity, InputKind::Plain, {});
}

std::optional<std::string> QtHost::AskPassword(std::string_view prompt, std::size_t capacity) {
  return AskPasswordPreset(prompt, {}, capacity);
}

std::optional<std::string> QtHost::AskPasswordPreset(std::string_view prompt, std::string_view preset,
                                                     std::size_t capacity) {
  return AskInput(prompt, preset, capacity, InputKind::Hidden, {});
}

void QtHost::SetPromptHelpContext(int context) {
  OnGui([this, context] { promptHelpContext_ = context; });
}

std::optional<std::string> QtHost::AskChoice(std::string_view prompt, std::string_view initial,
                                             const std::vector<std::string>& choices, std::size_t capacity) {
  return AskInput(prompt, initial, capacity, InputKind::WithChoices, choices);
}

void QtHost::RestoreMainWindow() {
  OnGui([this] {
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
  });
}

bool QtHost::AskYesNo(std::string_view question, std::string_view caption) {
  const bool fromWorker = !OnGuiThread();
  return Ask<bool>(false, [&] {
    QMessageBox box(QMessageBox::Question, ToQString(caption), ToQString(question),
                    QMessageBox::Yes | QMessageBox::No, window_);
    return RunPrompt(box, fromWorker) == QMessageBox::Yes;
  });
}

int QtHost::AskVerifyDeletion(std::string_view question, bool offerDeleteAll) {
  const bool fromWorker = !OnGuiThread();
  return Ask<int>(DeletionCancel, [&] {
    DeleteDialog dialog(ToQString(question), offerDeleteAll, window_);
    PlaceDialog(dialog, window_);
    RunPrompt(dialog, fromWorker);
    return dialog.Choice();
  });
}

int QtHost::RunChmodDialog(int bits) {
  if (!OnGuiThread()) return 0;  // GUI thread only
  ChmodDialog dialog(window_);
  dialog.SetBoxes(config::ChmodBoxesFromBits(bits));
  PlaceDialog(dialog, window_);
  if (dialog.exec() != QDialog::Accepted) return 0;
  return config::ChmodBitsFromBoxes(dialog.Boxes());
}

void QtHost::ShowMessage(std::string_view text, std::string_view caption) {
  const bool fromWorker = !OnGuiThread();
  Ask<int>(0, [&] {
    QMessageBox box(QMessageBox::Information, ToQString(caption), ToQString(text), QMessageBox::Ok, window_);
    return RunPrompt(box, fromWorker);
  });
}

QLabel* QtHost::ProgressField() const {
  // A receive shows in the local pane's field, a send in the remote's.
  return static_cast<QLabel*>(window_->Control(statusDirection_ == 1 ? slot::RemoteProgress : slot::LocalProgress));
}

void QtHost::OpenStatusDisplay(int direction, std::string_view, platform::StatusDisplayTarget, std::int64_t) {
  // Until the transfer dialog exists both targets show in the main window's field.
  OnGui([this, direction] {
    statusDirection_ = direction;
    ProgressField()->clear();
  });
}

void QtHost::SetProgressText(std::string_view text, std::int64_t, std::int64_t) {
  OnGui([this, line = ToQString(text)] { ProgressField()->setText(line); });
}

void QtHost::CloseStatusDisplay() {
  OnGui([this] { ProgressField()->clear(); });
}

bool QtHost::RunSessionProfileDialog() {
  if (!OnGuiThread()) return false;  // GUI thread only
  if (beforeProfileDialog_) std::exchange(beforeProfileDialog_, {})();
  return ui::RunSessionProfileDialog(window_);
}

void QtHost::SetWindowCaption(std::string_view caption) {
  OnGui([this, text = ToQString(caption)] { window_->setWindowTitle(text); });
}

void QtHost::EnableControl(int controlId, bool enabled) {
  OnGui([this, controlId, enabled] {
    if (QWidget* control = window_->ControlForId(controlId)) control->setEnabled(enabled);
  });
}

void QtHost::SetControlText(int controlId, std::string_view text) {
  OnGui([this, controlId, value = ToQString(text)] {
    QWidget* control = window_->ControlForId(controlId);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
      button->setText(value);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
      edit->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(control))
      label->setText(value);
    else if (auto* box = qobject_cast<QComboBox*>(control))
      box->setCurrentText(value);
  });
}

std::optional<std::string> QtHost::ControlText(int controlId) {
  if (!OnGuiThread()) return std::nullopt;  // GUI thread only
  QWidget* control = window_->ControlForId(controlId);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return ToStdString(edit->text());
  if (auto* box = qobject_cast<QComboBox*>(control)) return ToStdString(box->currentText());
  return std::nullopt;
}

void QtHost::DirectoryBoxChanged(int controlId) {
  OnGui([this, controlId] {
    auto* box = qobject_cast<QComboBox*>(window_->ControlForId(controlId));
    if (!box) return;
    const listing::DirectoryBox& source = controlId == listing::LocalDirectoryBoxId ? listing::LocalDirectoryBox()
                                                                                     : listing::RemoteDirectoryBox();
    QSignalBlocker quiet(box);
    box->clear();
    for (const std::string& item : source.Items()) box->addItem(ToQString(item));
    const std::optional<std::size_t> selected = source.Selected();
    if (selected) {
      box->setCurrentIndex(static_cast<int>(*selected));
    } else {
      // A plain text with no item selected: shown as the only, unlisted item.
      box->addItem(ToQString(source.Text()));
      box->setCurrentIndex(box->count() - 1);
    }
  });
}

void QtHost::PostCommand(int commandId) {
  // A queued event whatever the thread: handled after the current command.
  QCoreApplication::postEvent(window_, new CommandEvent(commandId));
}

void QtHost::CloseMainWindow() {
  OnGui([this] { window_->close(); });
}

void QtHost::RestoreCursor() {
  OnGui([this] { window_->SetBusy(false); });
}

void QtHost::BusyStarted() {
  // A worker's waits leave the window usable: only the GUI thread's show.
  if (!OnGuiThread()) return;
  if (busyDepth_++ == 0) window_->SetBusy(true);
}

void QtHost::BusyEnded() {
  if (!OnGuiThread() || busyDepth_ == 0) return;
  if (--busyDepth_ == 0) window_->SetBusy(false);
}

void QtHost::PaneChanged(platform::PaneSide pane) {
  OnGui([this, pane] {
    window_->Pane(pane)->Refresh();
  });
}

void QtHost::UpdateControlStates() {
  OnGui([this] { window_->ApplyControlStates(); });
}

void QtHost::WorkerStopping(platform::BackgroundJob job) {
  stoppingJobs_.fetch_or(JobBit(job));
  // On the GUI thread: the prompt a worker waits for closes as Cancel.
  if (workerPrompt_) workerPrompt_->reject();
}

void QtHost::WorkerFinished(platform::BackgroundJob job) {
  stoppingJobs_.fetch_and(~JobBit(job));
  OnGui([this] { UpdateControlStates(); });
}

void QtHost::ShowHelp(int context) {
  OnGui([this, context] {
    if (helpHandler_) helpHandler_(context);
  });
}

void QtHost::PlaySound(std::string_view waveFile) {
  OnGui([this, file = std::string(waveFile)] { sounds_->Play(file); });
}

void QtHost::Beep(platform::BeepKind) {
  OnGui([this] { sounds_->Beep(); });
}

}  // namespace korval::ui
