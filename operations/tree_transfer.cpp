#include "operations/tree_transfer.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "config/program_identity.h"
#include "config/program_settings.h"
#include "config/prompts.h"
#include "engine/destination_naming.h"
#include "engine/file_transfer.h"
#include "engine/ftp_commands.h"
#include "engine/last_entry.h"
#include "engine/message_log.h"
#include "engine/remote_dir.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/sound_events.h"
#include "engine/transfer_status.h"
#include "listing/listing_cache.h"
#include "listing/listing_entry.h"
#include "listing/local_listing.h"
#include "listing/pane_list.h"
#include "listing/remote_listing.h"
#include "listing/selection.h"
#include "operations/single_file_transfer.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/net.h"

namespace korval::operations {

namespace {

using listing::PaneItem;
using listing::RetrievalLock;

bool threadsAvailable = true;
bool modifierHeld = false;

// The one worker thread and the thread the worker body runs on (the
// worker thread, or the caller's when no thread may be made).
std::mutex workerMutex;
std::jthread workerThread;  // joined at the latest when the program ends
std::atomic<std::thread::id> workerRunsOn{};

int ControlSocket() { return engine::TheSession().ControlSocket; }

// The directories a walk has entered, outermost first: where each level
// came from, remote and local.
struct TreeWalk {
  std::vector<std::string> remotePath;
  std::vector<std::string> localPath;
  unsigned Depth() const { return static_cast<unsigned>(remotePath.size()); }
};

// A name from the server that can only name an entry of the current local
// directory.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool IsSymbolicLink(const std::string& name) {
  struct stat info {};
  return ::lstat(name.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool OnPath(const std::vector<std::string>& path, const std::string& directory) {
  return std::find(path.begin(), path.end(), directory) != path.end();
}

bool TransferSucceeded(int result) {
  const engine::Session& session = engine::TheSession();
  return result == 2 && !session.CancelRequested && !session.TreeAbort;
}

void Yield() { platform::RunBlockingHook(); }

// HASH, BELL and PROMPT off for the files inside a tree.
class TreeSettings {
 public:
  TreeSettings() : settings_(config::Settings()) {
    saved_[0] = std::exchange(settings_.ShowTransferDialog, 0);
    saved_[1] = std::exchange(settings_.Bell, 0);
    saved_[2] = std::exchange(settings_.PromptForNames, 0);
  }
  ~TreeSettings() {
    settings_.ShowTransferDialog = saved_[0];
    settings_.Bell = saved_[1];
    settings_.PromptForNames = saved_[2];
  }
  TreeSettings(const TreeSettings&) = delete;
  TreeSettings& operator=(const TreeSettings&) = delete;

 private:
  config::ProgramSettings& settings_;
  int saved_[3];
};

// The level's way back: the remote directory (a refresh or a plain retrieval
// shows it again), then the local one. 0 when either fails.
int ReturnToRemote(const std::string& remoteBack, bool refresh, int result) {
  if (engine::ChangeRemoteDir(ControlSocket(), remoteBack) == 2) {
    if (refresh) {
      listing::RefreshRemoteListing(RetrievalLock::AlreadyHeld);
    } else {
      listing::RetrieveRemoteListing(RetrievalLock::AlreadyHeld);
      engine::LogPrintf("[S] changed back to orig rdir %s", remoteBack.c_str());
    }
    return result;
  }
  engine::LogPrintf("[E] failed to return to orig rdir %s", remoteBack.c_str());
  return 0;
}

int ReturnToLocal(const std::string& localBack, int result) {
  if (::chdir(localBack.c_str()) != 0) {
    engine::LogPrintf("[E] failed to return to orig ldir %s", localBack.c_str());
    result = 0;
  }
  listing::ListLocalDirectory();
  return result;
}

// Whether the remote directory just entered is one the walk has come
// through already; it is not walked again.
bool RemoteLoop(const TreeWalk& walk, const std::string& name) {
  const std::string& now = engine::RemoteDir();
  if (now == listing::UndecipherableDir || !OnPath(walk.remotePath, now)) return false;
  engine::LogPrintf("[E] %s not entered: %s is already on the walk's path", name.c_str(), now.c_str());
  return true;
}

bool TooDeep(const TreeWalk& walk, std::string_view name) {
  if (walk.Depth() < TreeDepthLimit) return false;
  engine::LogPrintf("[E] %s not entered: deeper than %u levels", std::string(name).c_str(), TreeDepthLimit);
  return true;
}

int ReceiveLevel(TreeWalk& walk, const std::string& name);

// One file of a received tree; true when the walk goes on.
bool ReceiveTreeFile(TreeWalk& walk, const PaneItem& entry, unsigned number, unsigned count) {
  if (!IsPlainName(entry.Name)) {
    engine::LogPrintf("[E] unsafe name %s skipped", entry.Name.c_str());
    return true;
  }
  const std::string localName = engine::LocalNameFor(entry.Name);
  if (!IsPlainName(localName) || IsSymbolicLink(localName)) {
    engine::LogPrintf("[E] %s not received: %s is not a plain local file name", entry.Name.c_str(), localName.c_str());
    return true;
  }
  engine::LastEntry().Kind = entry.Kind;
  engine::LastEntry().Size = entry.Size;
  engine::TransferResult() = engine::TransferNothing;
  const int result = ReceiveRemoteFile(entry.Name, number, count, false);
  // A link the server will not send is a link to a directory.
  if (engine::TransferResult() == engine::TransferLinkRefused) return ReceiveLevel(walk, entry.Name) == 1;
  const bool success = TransferSucceeded(result);
  Yield();
  return success;
}

int ReceiveLevel(TreeWalk& walk, const std::string& name) {
  if (!IsPlainName(name)) {
    engine::LogPrintf("[E] unsafe name %s skipped", name.c_str());
    return 1;
  }
  if (TooDeep(walk, name)) return 1;
  const std::string remoteBack = engine::RemoteDir();
  const std::optional<std::string> localBack = platform::CurrentDirectory();
  if (!localBack) return 0;

  const bool made = ::mkdir(name.c_str(), 0777) == 0;
  if (IsSymbolicLink(name)) {
    engine::LogPrintf("[E] %s not entered: a symbolic link", name.c_str());
    return 1;
  }
  if (::chdir(name.c_str()) != 0) return 0;
  walk.remotePath.push_back(remoteBack);
  walk.localPath.push_back(*localBack);

  int result = 0;
  bool leftAtOnce = false;
  listing::ListLocalDirectory();
  if (engine::ChangeRemoteDir(ControlSocket(), name) != 2) {
    engine::LogPrintf("[E] failed to change to select rdir %s", name.c_str());
  } else {
    engine::LogPrintf("[S] change to new rdir %s", name.c_str());
    listing::RefreshRemoteListing(RetrievalLock::AlreadyHeld);
    if (RemoteLoop(walk, name)) {
      result = 1;
      leftAtOnce = true;
    } else {
      engine::LogPrintf("[S] entering %s - %s", localBack->c_str(), remoteBack.c_str());
      const std::vector<PaneItem> entries = listing::ReadAllEntries(listing::RemotePane());
      const unsigned count = static_cast<unsigned>(entries.size());
      engine::LogPrintf("[S] %u files to xfer", count);
      result = 1;
      for (unsigned i = 0; i < count && result == 1; ++i) {
        const PaneItem& entry = entries[i];
        engine::LogPrintf("[S] got %s type %u", entry.Name.c_str(), static_cast<unsigned>(entry.Kind));
        if (engine::TheSession().TreeAbort) {
          result = 0;
        } else if (entry.Kind == listing::DirectoryKind) {
          if (entry.Name != "..") result = ReceiveLevel(walk, entry.Name);
        } else if (!ReceiveTreeFile(walk, entry, i + 1, count)) {
          result = 0;
        }
      }
      engine::LogMessage("[S] transfer directory complete");
    }
    result = ReturnToRemote(remoteBack, false, result);
  }
  walk.remotePath.pop_back();
  walk.localPath.pop_back();
  result = ReturnToLocal(*localBack, result);
  // The copy made for a directory that was left again at once goes too.
  if (made && leftAtOnce) ::rmdir(name.c_str());
  return result;
}

int SendLevel(TreeWalk& walk, const std::string& name) {
  if (TooDeep(walk, name)) return 1;
  const std::string remoteBack = engine::RemoteDir();
  const std::optional<std::string> localBack = platform::CurrentDirectory();
  if (!localBack) return 0;
  if (name.empty() || ::chdir(name.c_str()) != 0) {
    engine::LogPrintf("[E] failed to change to new ldir %s", name.c_str());
    return 0;
  }
  const std::optional<std::string> localNow = platform::CurrentDirectory();
  if (localNow && (OnPath(walk.localPath, *localNow) || *localNow == *localBack)) {
    engine::LogPrintf("[E] %s not entered: %s is already on the walk's path", name.c_str(), localNow->c_str());
    return ReturnToLocal(*localBack, 1);
  }
  walk.remotePath.push_back(remoteBack);
  walk.localPath.push_back(*localBack);

  int result = 0;
  listing::ListLocalDirectory();
  engine::MakeRemoteDir(ControlSocket(), name);  // it may exist already
  if (engine::ChangeRemoteDir(ControlSocket(), name) == 2) {
    listing::RefreshRemoteListing(RetrievalLock::AlreadyHeld);
    if (RemoteLoop(walk, name)) {
      result = 1;
    } else {
      const std::vector<PaneItem> entries = listing::ReadAllEntries(listing::LocalPane());
      const unsigned count = static_cast<unsigned>(entries.size());
      result = 1;
      for (unsigned i = 0; i < count && result == 1; ++i) {
        const PaneItem& entry = entries[i];
        if (engine::TheSession().TreeAbort) {
          result = 0;
        } else if (entry.Kind == listing::DirectoryKind) {
          if (entry.Name != "..") result = SendLevel(walk, entry.Name);
        } else if (entry.Kind != listing::DriveKind) {
          const int sent = SendLocalFile(entry.Name, i + 1, count, false);
          result = TransferSucceeded(sent) ? 1 : 0;
          Yield();
        }
      }
      if (result == 1) listing::RefreshRemoteListing(RetrievalLock::AlreadyHeld);
      engine::LogMessage("[S] transfer directory complete");
    }
    result = ReturnToRemote(remoteBack, true, result);
  }
  walk.remotePath.pop_back();
  walk.localPath.pop_back();
  return ReturnToLocal(*localBack, result);
}

// The prompt flag of a selection: PROMPT, or its opposite with Ctrl or Shift.
bool SelectionPromptFlag() { return (config::Settings().PromptForNames != 0) != modifierHeld; }

// The one question of a selection with directories in it.
class TreeQuestion {
 public:
  bool TransferTrees() {
    if (!answer_)
      answer_ = platform::CurrentHost().AskYesNo("Do you want to transfer the selected directory structures?",
                                                  config::ProgramTitle);
    return *answer_;
  }

 private:
  std::optional<bool> answer_;
};

int RunTree(int (*walk)(std::string_view), const std::string& name) {
  modifierHeld = false;
  TreeSettings off;
  return walk(name);
}

void PlayCompleteIfBell() {
  if (config::Settings().Bell) engine::PlaySound(engine::SoundEvent::Complete);
}

// The worker's frame: where it runs, TreeAbort cleared, WorkerBusy lowered
// at the end.
class WorkerFrame {
 public:
  WorkerFrame() {
    workerRunsOn = std::this_thread::get_id();
    engine::TheSession().TreeAbort = false;
  }
  ~WorkerFrame() { Finish(); }
  WorkerFrame(const WorkerFrame&) = delete;
  WorkerFrame& operator=(const WorkerFrame&) = delete;
  void Finish() {
    if (finished_) return;
    finished_ = true;
    workerRunsOn = std::thread::id{};
    engine::ReleaseConnection(std::this_thread::get_id());
    engine::SetWorkerBusy(false);
  }

 private:
  bool finished_ = false;
};

void CollectFinishedThread() {
  std::lock_guard lock(workerMutex);
  if (workerThread.joinable() && workerThread.get_id() != std::this_thread::get_id()) workerThread.join();
}

// The worker owns the control connection from before its first step: no
// command of the GUI thread slips in between.
void Start(void (*body)(listing::PaneList&), listing::PaneList& list) {
  if (!threadsAvailable) {
    engine::ClaimConnection(std::this_thread::get_id());
    body(list);
    platform::CurrentHost().WorkerFinished(platform::BackgroundJob::SelectionTransfer);
    return;
  }
  CollectFinishedThread();
  std::lock_guard lock(workerMutex);
  workerThread = std::jthread([body, &list] {
    { std::lock_guard claimed(workerMutex); }  // until the claim below is made
    engine::InstallBlockingHook();
    body(list);
    platform::CurrentHost().WorkerFinished(platform::BackgroundJob::SelectionTransfer);
  });
  engine::ClaimConnection(workerThread.get_id());
}

// A selection transfer starts only while the connection is free: not while
// a command of this thread waits (the click came through its hook), nor
// while another worker or the edit job owns it.
bool MayStartWorker() {
  if (engine::IsWorkerBusy()) return false;
  if (!listing::IsSessionBusy()) return true;
  engine::LogMessage("command in process, ignored");
  return false;
}

}  // namespace

bool& ThreadsAvailable() { return threadsAvailable; }
bool& ModifierHeld() { return modifierHeld; }

int SendTree(std::string_view localDirectory) {
  TreeWalk walk;
  return SendLevel(walk, std::string(localDirectory));
}

int ReceiveTree(std::string_view remoteDirectory) {
  TreeWalk walk;
  return ReceiveLevel(walk, std::string(remoteDirectory));
}

void SendSelectedWorker(listing::PaneList& localList) {
  WorkerFrame frame;
  const bool prompt = SelectionPromptFlag();
  config::ProgramSettings& settings = config::Settings();
  const std::vector<PaneItem> entries = listing::ReadSelectedEntries(localList);
  if (entries.empty()) {
    std::string name;
    config::PromptHelpContext() = SendNameHelpContext;
    if (config::AskText(&name, "Enter local file name to transfer to remote system:") == 0 || name.empty()) return;
    engine::ClearLastEntry();
    const int result = SendLocalFile(name, 1, 1, prompt);
    frame.Finish();
    if (result == 2) {
      if (settings.AutoUpdate) platform::CurrentHost().PostCommand(RemoteRefreshCommand);
      PlayCompleteIfBell();
    }
    return;
  }

  TreeQuestion question;
  const unsigned count = static_cast<unsigned>(entries.size());
  bool sentSomething = false;
  bool allProcessed = true;
  for (unsigned i = 0; i < count; ++i) {
    const PaneItem& entry = entries[i];
    if (entry.Name.empty() || entry.Name.front() == '[' || entry.Name == "..") continue;
    if (entry.Kind == listing::DirectoryKind) {
      if (!question.TransferTrees()) continue;
      const int result = RunTree(&SendTree, entry.Name);
      sentSomething = true;
      if (result == 0) {
        allProcessed = false;
        break;
      }
    } else if (entry.Kind != listing::DriveKind) {
      engine::LastEntry().Kind = entry.Kind;
      engine::LastEntry().Size = entry.Size;
      if (SendLocalFile(entry.Name, i + 1, count, prompt) != 2) {
        allProcessed = false;
        break;
      }
      sentSomething = true;
      Yield();
      if (engine::TheSession().TreeAbort) {
        allProcessed = i + 1 == count;
        break;
      }
    }
  }
  // The worker still owns the connection while it shows what it sent.
  if (sentSomething && settings.AutoUpdate) listing::RefreshRemoteListing(RetrievalLock::AlreadyHeld);
  frame.Finish();
  if (allProcessed) PlayCompleteIfBell();
}

void ReceiveSelectedWorker(listing::PaneList& remoteList) {
  WorkerFrame frame;
  const bool prompt = SelectionPromptFlag();
  const std::vector<PaneItem> entries = listing::ReadSelectedEntries(remoteList);
  if (entries.empty()) {
    std::string name;
    config::PromptHelpContext() = ReceiveNameHelpContext;
    if (config::AskText(&name, "Enter remote file name to transfer to local system:") == 0 || name.empty()) return;
    engine::ClearLastEntry();
    if (ReceiveRemoteFile(name, 1, 1, prompt) == 2) PlayCompleteIfBell();
    return;
  }

  TreeQuestion question;
  const unsigned count = static_cast<unsigned>(entries.size());
  bool allProcessed = true;
  for (unsigned i = 0; i < count; ++i) {
    const PaneItem& entry = entries[i];
    bool asDirectory = entry.Kind == listing::DirectoryKind;
    if (!asDirectory) {
      engine::LastEntry().Kind = entry.Kind;
      engine::LastEntry().Size = entry.Size;
      engine::TransferResult() = engine::TransferNothing;  // a cancelled name prompt transfers nothing
      const int result = ReceiveRemoteFile(entry.Name, i + 1, count, prompt);
      if (engine::TransferResult() == engine::TransferLinkRefused) {
        asDirectory = true;
      } else {
        if (result != 2 || engine::TheSession().CancelRequested) {
          allProcessed = false;
          break;
        }
        Yield();
        if (engine::TheSession().TreeAbort) {
          allProcessed = i + 1 == count;
          break;
        }
        continue;
      }
    }
    if (entry.Name == "..") continue;
    if (!question.TransferTrees()) continue;
    if (RunTree(&ReceiveTree, entry.Name) == 0) {
      allProcessed = false;
      break;
    }
  }
  listing::ListLocalDirectory();
  if (allProcessed) PlayCompleteIfBell();
}

void StartSendSelected(listing::PaneList& localList) {
  if (!MayStartWorker()) return;
  engine::SetWorkerBusy(true);
  Start(&SendSelectedWorker, localList);
  platform::CurrentHost().UpdateControlStates();
}

void StartReceiveSelected(listing::PaneList& remoteList) {
  if (!MayStartWorker()) return;
  engine::SetWorkerBusy(true);
  platform::CurrentHost().UpdateControlStates();
  Start(&ReceiveSelectedWorker, remoteList);
}

void WaitForSelectionWorker() {
  if (workerRunsOn.load() == std::this_thread::get_id()) return;
  while (engine::IsWorkerBusy()) {
    if (!platform::RunBlockingHook()) std::this_thread::sleep_for(std::chrono::milliseconds(platform::WaitSliceMs));
  }
  CollectFinishedThread();
}

void AbortSelectionWorker() {
  if (engine::IsWorkerBusy() && workerRunsOn.load() != std::this_thread::get_id()) {
    engine::LogMessage("Aborting thread.");
    platform::CurrentHost().WorkerStopping(platform::BackgroundJob::SelectionTransfer);
    engine::Session& session = engine::TheSession();
    while (engine::IsWorkerBusy()) {
      session.CancelRequested = true;
      session.TreeAbort = true;
      platform::CancelAllBlockingCalls();
      // A shutdown (not a close) ends the worker's data transfer without
      // freeing a descriptor number it still uses.
      for (int socket : {session.DataSocket, session.ListenSocket})
        if (socket != -1) ::shutdown(socket, SHUT_RDWR);
      // The GUI thread's events go on: a worker may wait for a prompt that
      // only this thread can answer.
      if (!platform::RunBlockingHook()) std::this_thread::sleep_for(std::chrono::milliseconds(platform::WaitSliceMs));
    }
  }
  CollectFinishedThread();
}

}  // namespace korval::operations
