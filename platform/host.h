#pragma once
// The one way the core reaches the user. The core calls the installed Host for
// prompts, message boxes, the status lines and the log window, sounds, help
// and control updates; ui/ implements it with Qt, the console host implements
// it for batch mode in a terminal, and tests install a scripted host. Every
// member has a quiet default so a host overrides only what it shows.
//
// The contract between the core's threads and a host
//
// Threads. The core runs on the GUI thread, on the selection worker (the
// transfer buttons, tree walks) and on the edit job's thread. Any call below
// may arrive on any of these threads, except those marked "GUI thread only".
// A host with a window touches its widgets only on its own thread: it hands
// a call that arrives elsewhere to the GUI thread (a queued call), and
// returns at once from calls that return nothing.
//
// Blocking. The calls that return an answer (the prompts AskText,
// AskPassword, AskPasswordPreset, AskChoice, and AskYesNo,
// AskVerifyDeletion, ControlText) block the calling thread until the GUI
// thread has the answer. A host never makes the GUI thread wait without
// running its events: a worker's prompt is answered while the GUI thread is
// itself inside a blocking wait (its blocking hook runs the events).
//
// Stopping a worker. When the GUI thread stops a worker or the edit job
// (Close, Exit, the busy abort), the core first calls WorkerStopping(job) on
// the GUI thread: the host closes a prompt that job waits for as Cancel, and
// answers every further prompt of that job with Cancel, until
// WorkerFinished(job). The core itself asks no prompt of a job being stopped.
// So the GUI thread, which keeps running its events while it waits for the
// job to come back, never deadlocks on a prompt no one will answer.
//
// Finishing. A job that ends, finished or stopped, calls WorkerFinished(job)
// as its last call to the host, on its own thread, after it has released the
// connection: the host enables its controls again (UpdateControlStates on
// the GUI thread) without polling. The core joins the job's thread itself.
//
// Order. Calls from one thread arrive in the order the core made them; a
// host that queues them keeps that order.
//
// Status display. OpenStatusDisplay, SetProgressText and CloseStatusDisplay
// come in that order from the thread of one data loop; the target says
// whether the transfer dialog is shown (HASH on) or the main window's field
// for the direction.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tls.h"

namespace korval::platform {

// The plain beeps of the three sound events when no wave file is played:
// the simple beep for "complete", the asterisk sound for "connect", the
// exclamation sound for "error".
enum class BeepKind { Simple, Asterisk, Exclamation };

// Where the progress of a data loop is shown: the "Transfer Status" dialog,
// or the main window's transfer field of the direction (send or receive).
enum class StatusDisplayTarget { Dialog, MainWindowField };

enum class PaneSide { Local, Remote };

// The jobs that run beside the GUI thread on a thread of their own.
enum class BackgroundJob { SelectionTransfer, EditJob };

// The answer to a server certificate that does not verify.
enum class CertificateTrust { Refuse, Once, Always };

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
  // 0 on Cancel. GUI thread only.
  virtual int RunChmodDialog(int /*bits*/) { return 0; }

  // A server certificate that does not verify (self-signed, expired, issued
  // for another name): trust it for this connection, always (its fingerprint
  // is stored with the profile), or refuse it. `host` is the name dialled.
  virtual CertificateTrust AskCertificateTrust(std::string_view /*host*/, const CertificateDetails& /*details*/) {
    return CertificateTrust::Refuse;
  }

  // A message box the user acknowledges.
  virtual void ShowMessage(std::string_view /*text*/, std::string_view /*caption*/) {}

  // The transfer status display of one data loop: opened with the
  // transfer's description (direction 1 send, 2 receive), fed progress text
  // (already throttled by the engine), closed at the loop's end. `target`
  // says where it is shown; `expectedSize` is the size the progress is
  // measured against (0 when unknown: no percentage bar), with each text too.
  // An empty text with `bytes` 0 is the reset at the loop's start.
  virtual void OpenStatusDisplay(int /*direction*/, std::string_view /*statusText*/, StatusDisplayTarget /*target*/,
                                 std::int64_t /*expectedSize*/) {}
  virtual void SetProgressText(std::string_view /*text*/, std::int64_t /*bytes*/, std::int64_t /*expectedSize*/) {}
  // The numbers behind the progress, after every block of the loop: bytes
  // moved, the size expected (0 when unknown) and the time since the loop
  // began. Not throttled: a host that draws them keeps its own pace.
  virtual void TransferProgressed(std::int64_t /*bytes*/, std::int64_t /*expected*/, std::int64_t /*elapsedMs*/) {}
  virtual void CloseStatusDisplay() {}

  // The Session Profile dialog: the user edits config::ProfileDialogCopy();
  // true for OK, false for Cancel. GUI thread only.
  virtual bool RunSessionProfileDialog() { return false; }

  // The main window. Controls are named by their command id (936 remote
  // MkDir, 948 remote Rename, 946 remote Delete, 9000 Connect, 926 and 930
  // the local and remote mask boxes).
  virtual void SetWindowCaption(std::string_view /*caption*/) {}
  virtual void EnableControl(int /*controlId*/, bool /*enabled*/) {}
  virtual void SetControlText(int /*controlId*/, std::string_view /*text*/) {}
  // The text of an edit control; nullopt when the host has none. GUI thread
  // only.
  virtual std::optional<std::string> ControlText(int /*controlId*/) { return std::nullopt; }
  // The list or text of a directory box changed (960 local, 961 remote);
  // the host redraws it from the core's box.
  virtual void DirectoryBoxChanged(int /*controlId*/) {}
  // Recomputes which controls are enabled from the session's state.
  virtual void UpdateControlStates() {}
  // Posts a command to the main window, handled after the current one.
  virtual void PostCommand(int /*commandId*/) {}
  // Closes the main window (its close handler runs, and the program ends).
  // GUI thread only.
  virtual void CloseMainWindow() {}
  // Back to the normal arrow cursor after a wait.
  virtual void RestoreCursor() {}
  // The calling thread's busy mark (a command, a reply read or a data loop)
  // went up from none, and back to none. They come in pairs on one thread;
  // the GUI thread's pair is the wait cursor's start and end (a worker's
  // pairs come while the window stays usable).
  virtual void BusyStarted() {}
  virtual void BusyEnded() {}
  // The entries of a pane list changed (listed again, sorted, masked): the
  // host redraws its view from the core's pane list.
  virtual void PaneChanged(PaneSide /*pane*/) {}

  // Background jobs (see the contract above): `job` is being stopped (on
  // the GUI thread, before the core waits for it), and `job` has ended (on
  // the job's own thread, its last call).
  virtual void WorkerStopping(BackgroundJob /*job*/) {}
  virtual void WorkerFinished(BackgroundJob /*job*/) {}

  // Help: the topic with `context` (a context up to 10 opens the index).
  virtual void ShowHelp(int /*context*/) {}

  // Sounds: a wave file, or the plain beep of `kind`.
  virtual void PlaySound(std::string_view /*waveFile*/) {}
  virtual void Beep(BeepKind /*kind*/) {}
};

// The installed host; a quiet default host when none was installed.
Host& CurrentHost();
// Installs `host` (not owned); nullptr restores the quiet default.
void SetHost(Host* host);

}  // namespace korval::platform
