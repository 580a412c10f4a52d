#pragma once
// The core's host for the window. Widgets are touched only on the GUI
// thread: a call from a worker is queued to it (in the order the worker made
// its calls), and a prompt from a worker waits for the GUI thread's answer,
// which comes while that thread runs its events (in its loop, or inside a
// blocking wait through the hook). A worker being stopped gets Cancel for
// its pending prompt and for every further one until it has finished.

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/host.h"

class QDialog;
class QLabel;

namespace korval::ui {

class MainWindow;
class SoundPlayer;

class QtHost : public QObject, public platform::Host {
  Q_OBJECT

 public:
  explicit QtHost(MainWindow* window);
  ~QtHost() override;

  // What ShowHelp opens (the help viewer); none: help is ignored.
  void SetHelpHandler(std::function<void(int)> handler) { helpHandler_ = std::move(handler); }
  // Runs once, as the next Session Profile dialog opens (the splash goes).
  void SetBeforeProfileDialog(std::function<void()> action) { beforeProfileDialog_ = std::move(action); }

  void AppendToLogWindow(std::string_view line) override;
  void SetStatusLine(int slot, std::string_view text) override;
  std::optional<std::string> AskText(std::string_view prompt, std::string_view initial,
                                     std::size_t capacity) override;
  std::optional<std::string> AskPassword(std::string_view prompt, std::size_t capacity) override;
  std::optional<std::string> AskPasswordPreset(std::string_view prompt, std::string_view preset,
                                               std::size_t capacity) override;
  void SetPromptHelpContext(int context) override;
  std::optional<std::string> AskChoice(std::string_view prompt, std::string_view initial,
                                       const std::vector<std::string>& choices, std::size_t capacity) override;
  void RestoreMainWindow() override;
  bool AskYesNo(std::string_view question, std::string_view caption) override;
  int AskVerifyDeletion(std::string_view question, bool offerDeleteAll) override;
  int RunChmodDialog(int bits) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void OpenStatusDisplay(int direction, std::string_view statusText, platform::StatusDisplayTarget target,
                         std::int64_t expectedSize) override;
  void SetProgressText(std::string_view text, std::int64_t bytes, std::int64_t expectedSize) override;
  void CloseStatusDisplay() override;
  bool RunSessionProfileDialog() override;
  void SetWindowCaption(std::string_view caption) override;
  void EnableControl(int controlId, bool enabled) override;
  void UpdateControlStates() override;
  void SetControlText(int controlId, std::string_view text) override;
  std::optional<std::string> ControlText(int controlId) override;
  void DirectoryBoxChanged(int controlId) override;
  void PostCommand(int commandId) override;
  void CloseMainWindow() override;
  void RestoreCursor() override;
  void BusyStarted() override;
  void BusyEnded() override;
  void PaneChanged(platform::PaneSide pane) override;
  void WorkerStopping(platform::BackgroundJob job) override;
  void WorkerFinished(platform::BackgroundJob job) override;
  void ShowHelp(int context) override;
  void PlaySound(std::string_view waveFile) override;
  void Beep(platform::BeepKind kind) override;

 private:
  bool OnGuiThread() const;
  // Runs `call` on the GUI thread: now when already there, else queued.
  void OnGui(std::function<void()> call);
  // Runs `ask` on the GUI thread and returns its answer; a worker's prompt
  // is answered `cancel` while a job is being stopped.
  template <typename Answer>
  Answer Ask(Answer cancel, std::function<Answer()> ask);
  // The input prompts: a text, a hidden text, a text with a drop-down list.
  enum class InputKind { Plain, Hidden, WithChoices };
  std::optional<std::string> AskInput(std::string_view prompt, std::string_view initial, std::size_t capacity,
                                      InputKind kind, const std::vector<std::string>& choices);
  // Runs a prompt dialog, closed as Cancel when its worker is stopped.
  int RunPrompt(QDialog& dialog, bool fromWorker);
  QLabel* ProgressField() const;

  MainWindow* window_;
  std::unique_ptr<SoundPlayer> sounds_;
  std::function<void(int)> helpHandler_;
  std::function<void()> beforeProfileDialog_;
  std::atomic<int> stoppingJobs_{0};  // jobs between WorkerStopping and WorkerFinished
  QPointer<QDialog> workerPrompt_;    // the open prompt a worker waits for
  int promptHelpContext_ = 0;
  int statusDirection_ = 0;
  int busyDepth_ = 0;                 // the GUI thread's busy marks
};

}  // namespace korval::ui
