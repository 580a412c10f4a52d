#pragma once
// The one way the core reaches the user. The core calls the installed Host for
// prompts, message boxes, the status lines and the log window, sounds and
// control updates; ui/ implements it with Qt, the console host implements it
// for batch mode in a terminal, and tests install a scripted host.
//
// Every member has a quiet default so a host overrides only what it shows.
// Prompts and questions may come from the worker thread of a selection
// transfer: a host with a window of its own hands them to its own thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korval::platform {

class Host {
 public:
  virtual ~Host() = default;

  // The message log's sinks: one whole line for the log window, and the text
  // of status line slot 2 (upper) or 3 (lower).
  virtual void AppendToLogWindow(std::string_view /*line*/) {}
  virtual void SetStatusLine(int /*slot*/, std::string_view /*text*/) {}

  // Prompts. An empty optional is Cancel. `capacity` is the answer's limit.
  virtual std::optional<std::string> AskText(std::string_view /*prompt*/, std::string_view /*initial*/,
                                             std::size_t /*capacity*/) {
    return std::nullopt;
  }
  virtual std::optional<std::string> AskPassword(std::string_view /*prompt*/, std::size_t /*capacity*/) {
    return std::nullopt;
  }
  // A password prompt whose field opens holding `preset` (an account already
  // known); hosts that cannot preset a hidden field ask as AskPassword does.
  virtual std::optional<std::string> AskPasswordPreset(std::string_view prompt, std::string_view /*preset*/,
                                                       std::size_t capacity) {
    return AskPassword(prompt, capacity);
  }
  // The help topic the next prompt's Help button opens; each prompt goes back
  // to 0 when it closes.
  virtual void SetPromptHelpContext(int /*context*/) {}
  // An input prompt whose field has a drop-down list of `choices` (the
  // remote directories visited on this connection, oldest first).
  virtual std::optional<std::string> AskChoice(std::string_view prompt, std::string_view initial,
                                               const std::vector<std::string>& /*choices*/, std::size_t capacity) {
    return AskText(prompt, initial, capacity);
  }
  // Before a prompt of a command-line transfer: the minimised main window is
  // restored and brought to the front, so the prompt is seen.
  virtual void RestoreMainWindow() {}

  // A question answered Yes (true) or No, such as whether selected
  // directories are transferred with their trees.
  virtual bool AskYesNo(std::string_view /*question*/, std::string_view /*caption*/) { return false; }
  // The Verify Deletion dialog ("DLG_DELETE"): Yes 6, No 7, Delete All 4,
  // Cancel 2. Delete All is offered only when `offerDeleteAll`.
  static constexpr int DeletionYes = 6;
  static constexpr int DeletionNo = 7;
  static constexpr int DeletionAll = 4;
  static constexpr int DeletionCancel = 2;
  virtual int AskVerifyDeletion(std::string_view /*question*/, bool /*offerDeleteAll*/) { return DeletionCancel; }
  // The remote file permissions dialog ("DLG_CHMOD"), opened with `bits`
  // (the octal digits written as a decimal number, 644): the bits chosen,
  // 0 on Cancel.
  virtual int RunChmodDialog(int /*bits*/) { return 0; }

  // A message box the user acknowledges.
  virtual void ShowMessage(std::string_view /*text*/, std::string_view /*caption*/) {}

  // The transfer status display of one data loop: opened with the
  // transfer's description (direction 1 send, 2 receive), fed progress text
  // (already throttled by the engine), closed at the loop's end.
  virtual void OpenStatusDisplay(int /*direction*/, std::string_view /*statusText*/) {}
  virtual void SetProgressText(std::string_view /*text*/) {}
  virtual void CloseStatusDisplay() {}

  // The Session Profile dialog: the user edits config::ProfileDialogCopy();
  // true for OK, false for Cancel.
  virtual bool RunSessionProfileDialog() { return false; }

  // The main window. Controls are named by their command id (936 remote
  // MkDir, 948 remote Rename, 946 remote Delete, 9000 Connect, 926 and 930
  // the local and remote mask boxes).
  virtual void SetWindowCaption(std::string_view /*caption*/) {}
  virtual void EnableControl(int /*controlId*/, bool /*enabled*/) {}
  virtual void SetControlText(int /*controlId*/, std::string_view /*text*/) {}
  // The text of an edit control; nullopt when the host has none.
  virtual std::optional<std::string> ControlText(int /*controlId*/) { return std::nullopt; }
  // The list or text of a directory box changed (960 local, 961 remote);
  // the host redraws it from the core's box.
  virtual void DirectoryBoxChanged(int /*controlId*/) {}
  // Recomputes which controls are enabled from the session's state.
  virtual void UpdateControlStates() {}
  // Posts a command to the main window, handled after the current one.
  virtual void PostCommand(int /*commandId*/) {}
  // Closes the main window (its close handler runs, and the program ends).
  virtual void CloseMainWindow() {}
  // Back to the normal arrow cursor after a wait.
  virtual void RestoreCursor() {}

  // Sounds: a wave file, or the plain beep.
  virtual void PlaySound(std::string_view /*waveFile*/) {}
  virtual void Beep() {}
};

// The installed host; a quiet default host when none was installed.
Host& CurrentHost();
// Installs `host` (not owned); nullptr restores the quiet default.
void SetHost(Host* host);

}  // namespace korval::platform
