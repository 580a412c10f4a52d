#include "operations/tree_transfer.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
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
#include "config/transfer_switches.h"
#include "engine/destination_naming.h"
#include "engine/file_transfer.h"
#include "engine/ftp_commands.h"
#include "engine/last_entry.h"
#include "engine/listing_file.h"
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
#include "listing/pane_masks.h"
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

// The local trees the walks use now, each as its path and, where a link
// leads there, the real path too.
std::mutex walkRootMutex;
std::vector<std::string> walkRoots;

int ControlSocket() { return engine::TheSession().ControlSocket; }

// What a selection worker runs with, taken on the thread that starts it:
// the directory the local pane shows (every local name of the worker is in
// it, whatever the pane shows later), the transfer switches (the worker's
// own copy from then on) and whether Ctrl or Shift was held.
struct WorkerStart {
  std::string localDirectory;
  config::TransferSwitches switches;
  std::string remoteMask;                // what a walk lists its levels with
  listing::LocalListingOptions localListing;
  bool modifierHeld = false;
  bool skippedAny = false;  // a walk of the selection passed entries over
};

WorkerStart TakeWorkerStart() {
  WorkerStart start;
  start.localDirectory = platform::CurrentDirectory().value_or(std::string());
  start.switches = config::CurrentTransferSwitches();
  start.remoteMask = listing::RemoteMask();
  start.localListing = listing::CurrentLocalListingOptions();
  start.modifierHeld = modifierHeld;
  return start;
}

// One directory of a local walk, known by its device and inode: a path
// names it in many ways.
struct LocalIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const LocalIdentity&) const = default;
};

// The directories a walk has entered, outermost first: where each level
// came from, remote and local, and what it passed over.
struct TreeWalk {
  std::vector<std::string> remotePath;
  std::vector<std::string> localPath;
  std::vector<LocalIdentity> localIdentities;  // a send walk's, its start directory first
  listing::LocalListingOptions localListing;   // as the walk began
  unsigned skipped = 0;
  unsigned Depth() const { return static_cast<unsigned>(remotePath.size()); }
};

std::string Normalised(const std::string& path) {
  std::string normal = std::filesystem::path(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

// Registers a walk's local tree for its lifetime.
class WalkRoot {
 public:
  explicit WalkRoot(const std::string& path) {
    paths_.push_back(Normalised(path));
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    if (!error && Normalised(real.string()) != paths_.front()) paths_.push_back(Normalised(real.string()));
    std::lock_guard lock(walkRootMutex);
    walkRoots.insert(walkRoots.end(), paths_.begin(), paths_.end());
  }
  ~WalkRoot() {
    std::lock_guard lock(walkRootMutex);
    for (const std::string& path : paths_) {
      auto found = std::find(walkRoots.begin(), walkRoots.end(), path);
      if (found != walkRoots.end()) walkRoots.erase(found);
    }
  }
  WalkRoot(const WalkRoot&) = delete;
  WalkRoot& operator=(const WalkRoot&) = delete;

 private:
  std::vector<std::string> paths_;
};

// Whether `path` is `directory` or lies inside it.
bool WithinDirectory(const std::string& path, const std::string& directory) {
  if (path == directory) return true;
  if (directory == "/") return true;
  return path.size() > directory.size() && path.compare(0, directory.size(), directory) == 0 &&
         path[directory.size()] == '/';
}

// A name from the server that can only name an entry of the current local
// directory.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::optional<LocalIdentity> DirectoryIdentity(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return LocalIdentity{info.st_dev, info.st_ino};
}

template <typename Item>
bool OnPath(const std::vector<Item>& path, const Item& directory) {
  return std::find(path.begin(), path.end(), directory) != path.end();
}

bool TransferSucceeded(int result) {
  const engine::Session& session = engine::TheSession();
  return result == 2 && !session.CancelRequested && !session.TreeAbort;
}

void Yield() { platform::RunBlockingHook(); }

// HASH, BELL and PROMPT off for the files inside a tree: in the worker's
// own switches, never in the shared settings.
class TreeSettings {
 public:
  TreeSettings() {
    own_.Switches().ShowTransferDialog = 0;
    own_.Switches().Bell = 0;
    own_.Switches().PromptForNames = 0;
  }
  TreeSettings(const TreeSettings&) = delete;
  TreeSettings& operator=(const TreeSettings&) = delete;

 private:
  config::OwnTransferSwitches own_;  // starts as the worker's, goes back to it
};

// The level's way back to the remote directory it came from (a refresh or
// a plain retrieval shows it again); 0 when it fails. The local side has no
// way back to go: the walk names its local directories, it never enters
// them.
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

// The listing of the remote directory just entered; a LIST that fails is a
// failure of the level, not an empty directory.
bool ListedRemoteLevel(const std::string& name) {
  if (listing::RefreshRemoteListing(RetrievalLock::AlreadyHeld) == 2) return true;
  engine::LogPrintf("failed to list rdir %s", name.c_str());
  return false;
}

// Whether the remote directory just entered is one the walk has come
// through already; it is not walked again.
bool RemoteLoop(TreeWalk& walk, const std::string& name) {
  const std::string now = engine::RemoteDir();
  if (now == listing::UndecipherableDir || !OnPath(walk.remotePath, now)) return false;
  engine::LogPrintf("[E] %s not entered: %s is already on the walk's path", name.c_str(), now.c_str());
  ++walk.skipped;
  return true;
}

bool TooDeep(TreeWalk& walk, std::string_view name) {
  if (walk.Depth() < TreeDepthLimit) return false;
  engine::LogPrintf("[E] %s not entered: deeper than %u levels", std::string(name).c_str(), TreeDepthLimit);
  ++walk.skipped;
  return true;
}

void SkipUnsafeName(TreeWalk& walk, const std::string& name) {
  engine::LogPrintf("[E] unsafe name %s skipped", name.c_str());
  ++walk.skipped;
}

int ReceiveLevel(TreeWalk& walk, const std::string& localParent, const std::string& name);

// One file of a received tree, into `localHere`; true when the walk goes on.
bool ReceiveTreeFile(TreeWalk& walk, const std::string& localHere, const PaneItem& entry, unsigned number,
                     unsigned count) {
  if (!IsPlainName(entry.Name)) {
    SkipUnsafeName(walk, entry.Name);
    return true;
  }
  const std::string localName = engine::LocalNameFor(entry.Name, localHere);
  if (!IsPlainName(localName) || IsSymbolicLink(platform::JoinPath(localHere, localName))) {
    engine::LogPrintf("[E] %s not received: %s is not a plain local file name", entry.Name.c_str(), localName.c_str());
    ++walk.skipped;
    return true;
  }
  engine::LastEntry().Kind = entry.Kind;
  engine::LastEntry().Size = entry.Size;
  engine::TransferResult() = engine::TransferNothing;
  const int result = ReceiveRemoteFile(entry.Name, number, count, false, localHere);
  // A link the server will not send is a link to a directory.
  if (engine::TransferResult() == engine::TransferLinkRefused) return ReceiveLevel(walk, localHere, entry.Name) == 1;
  const bool success = TransferSucceeded(result);
  Yield();
  return success;
}

int ReceiveLevel(TreeWalk& walk, const std::string& localParent, const std::string& name) {
  if (!IsPlainName(name)) {
    SkipUnsafeName(walk, name);
    return 1;
  }
  if (TooDeep(walk, name)) return 1;
  const std::string remoteBack = engine::RemoteDir();
  const std::string localHere = platform::JoinPath(localParent, name);

  const bool made = ::mkdir(localHere.c_str(), 0777) == 0;
  if (IsSymbolicLink(localHere)) {
    engine::LogPrintf("[E] %s not entered: a symbolic link", name.c_str());
    ++walk.skipped;
    return 1;
  }
  if (!DirectoryIdentity(localHere) || ::access(localHere.c_str(), W_OK | X_OK) != 0) return 0;
  walk.remotePath.push_back(remoteBack);
  walk.localPath.push_back(localParent);

  int result = 0;
  bool leftAtOnce = false;
  if (engine::ChangeRemoteDir(ControlSocket(), name) != 2) {
    engine::LogPrintf("[E] failed to change to select rdir %s", name.c_str());
  } else {
    engine::LogPrintf("[S] change to new rdir %s", name.c_str());
    if (!ListedRemoteLevel(name)) {
      result = 0;
    } else if (RemoteLoop(walk, name)) {
      result = 1;
      leftAtOnce = true;
    } else {
      engine::LogPrintf("[S] entering %s - %s", localParent.c_str(), remoteBack.c_str());
      listing::PaneList level;
      listing::ParseRemoteListingInto(engine::ListingFile(), level);
      const std::vector<PaneItem> entries = listing::ReadAllEntries(level);
      const unsigned count = static_cast<unsigned>(entries.size());
      engine::LogPrintf("[S] %u files to xfer", count);
      result = 1;
      for (unsigned i = 0; i < count && result == 1; ++i) {
        const PaneItem& entry = entries[i];
        engine::LogPrintf("[S] got %s type %u", entry.Name.c_str(), static_cast<unsigned>(entry.Kind));
        if (engine::TheSession().TreeAbort) {
          result = 0;
        } else if (entry.Kind == listing::DirectoryKind) {
          if (entry.Name != "..") result = ReceiveLevel(walk, localHere, entry.Name);
        } else if (!ReceiveTreeFile(walk, localHere, entry, i + 1, count)) {
          result = 0;
        }
      }
      engine::LogMessage("[S] transfer directory complete");
    }
    result = ReturnToRemote(remoteBack, false, result);
  }
  walk.remotePath.pop_back();
  walk.localPath.pop_back();
  // The copy made for a directory that was left again at once goes too.
  if (made && leftAtOnce) ::rmdir(localHere.c_str());
  return result;
}

int SendLevel(TreeWalk& walk, const std::string& localParent, const std::string& name) {
  if (TooDeep(walk, name)) return 1;
  const std::string remoteBack = engine::RemoteDir();
  const std::string localHere = platform::JoinPath(localParent, name);
  const std::optional<LocalIdentity> identity = name.empty() ? std::nullopt : DirectoryIdentity(localHere);
  listing::PaneList level;
  if (!identity || !listing::ListLocalDirectoryInto(localHere, level, walk.localListing)) {
    engine::LogPrintf("[E] failed to change to new ldir %s", name.c_str());
    return 0;
  }
  // Inside the tree a link to a directory leads out of it: it is passed
  // over. The selected directory itself is walked wherever it leads.
  if (walk.Depth() > 0 && IsSymbolicLink(localHere)) {
    engine::LogPrintf("[E] %s not entered: a symbolic link", name.c_str());
    ++walk.skipped;
    return 1;
  }
  if (OnPath(walk.localIdentities, *identity)) {
    engine::LogPrintf("[E] %s not entered: %s is already on the walk's path", name.c_str(), localHere.c_str());
    ++walk.skipped;
    return 1;
  }
  walk.remotePath.push_back(remoteBack);
  walk.localPath.push_back(localParent);
  walk.localIdentities.push_back(*identity);

  int result = 0;
  engine::MakeRemoteDir(ControlSocket(), name);  // it may exist already
  if (engine::ChangeRemoteDir(ControlSocket(), name) == 2) {
    if (!ListedRemoteLevel(name)) {
      result = 0;
    } else if (RemoteLoop(walk, name)) {
      result = 1;
    } else {
      const std::vector<PaneItem> entries = listing::ReadAllEntries(level);
      const unsigned count = static_cast<unsigned>(entries.size());
      result = 1;
      for (unsigned i = 0; i < count && result == 1; ++i) {
        const PaneItem& entry = entries[i];
        if (engine::TheSession().TreeAbort) {
          result = 0;
        } else if (entry.Kind == listing::DirectoryKind) {
          if (entry.Name != "..") result = SendLevel(walk, localHere, entry.Name);
        } else if (entry.Kind != listing::DriveKind) {
          const int sent = SendLocalFile(entry.Name, i + 1, count, false, localHere);
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
  walk.localIdentities.pop_back();
  return result;
}

int SendWalk(TreeWalk& walk, const std::string& localDirectory, const std::string& name) {
  if (const std::optional<LocalIdentity> start = DirectoryIdentity(localDirectory.empty() ? "." : localDirectory))
    walk.localIdentities.push_back(*start);
  return SendLevel(walk, localDirectory, name);
}

int ReceiveWalk(TreeWalk& walk, const std::string& localDirectory, const std::string& name) {
  return ReceiveLevel(walk, localDirectory, name);
}

// The prompt flag of a selection: PROMPT, or its opposite with Ctrl or Shift.
bool SelectionPromptFlag(const WorkerStart& start) {
  return (start.switches.PromptForNames != 0) != start.modifierHeld;
}

// The one question of a selection with directories in it.
class TreeQuestion {
 public:
  bool TransferTrees() {
    if (engine::JobStoppingOnThisThread()) return false;  // no one will answer
    if (!answer_)
      answer_ = platform::CurrentHost().AskYesNo("Do you want to transfer the selected directory structures?",
                                                  config::ProgramTitle);
    return *answer_;
  }

 private:
  std::optional<bool> answer_;
};

void PlayIfBell(engine::SoundEvent event) {
  if (config::CurrentTransferSwitches().Bell) engine::PlaySound(event);
}

// One selected directory with its tree. While it runs, its local tree is
// kept from the local pane's Delete, Rename and Move. What the walk passed
// over is counted in one line that is always shown, with the error sound;
// the local pane, which kept its own directory meanwhile, is listed again.
int RunTree(WorkerStart& start, int (*walkFunction)(TreeWalk&, const std::string&, const std::string&),
            const std::string& name) {
  start.modifierHeld = false;
  TreeWalk walk;
  walk.localListing = start.localListing;
  int result;
  {
    WalkRoot root(platform::JoinPath(start.localDirectory.empty() ? platform::CurrentDirectory().value_or(".")
                                                                  : start.localDirectory,
                                     name));
    TreeSettings off;
    listing::OwnRemoteMask remoteMask(start.remoteMask);
    result = walkFunction(walk, start.localDirectory, name);
  }
  if (walk.skipped > 0) {
    engine::LogPrintf("%u entries skipped", walk.skipped);
    PlayIfBell(engine::SoundEvent::Error);
    start.skippedAny = true;
  }
  listing::ListLocalDirectory();
  return result;
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

void SendSelection(listing::PaneList& localList, WorkerStart& start) {
  WorkerFrame frame;
  const bool prompt = SelectionPromptFlag(start);
  config::ProgramSettings& settings = config::Settings();
  const std::vector<PaneItem> entries = listing::ReadSelectedEntries(localList);
  if (entries.empty()) {
    std::string name;
    config::PromptHelpContext() = SendNameHelpContext;
    if (engine::JobStoppingOnThisThread()) return;
    if (config::AskText(&name, "Enter local file name to transfer to remote system:") == 0 || name.empty()) return;
    engine::ClearLastEntry();
    const int result = SendLocalFile(name, 1, 1, prompt, start.localDirectory);
    frame.Finish();
    if (result == 2) {
      if (settings.AutoUpdate) platform::CurrentHost().PostCommand(RemoteRefreshCommand);
      PlayIfBell(engine::SoundEvent::Complete);
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
      const int result = RunTree(start, &SendWalk, entry.Name);
      sentSomething = true;
      if (result == 0) {
        allProcessed = false;
        break;
      }
    } else if (entry.Kind != listing::DriveKind) {
      engine::LastEntry().Kind = entry.Kind;
      engine::LastEntry().Size = entry.Size;
      if (SendLocalFile(entry.Name, i + 1, count, prompt, start.localDirectory) != 2) {
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
  if (allProcessed && !start.skippedAny) PlayIfBell(engine::SoundEvent::Complete);
}

void ReceiveSelection(listing::PaneList& remoteList, WorkerStart& start) {
  WorkerFrame frame;
  const bool prompt = SelectionPromptFlag(start);
  const std::vector<PaneItem> entries = listing::ReadSelectedEntries(remoteList);
  if (entries.empty()) {
    std::string name;
    config::PromptHelpContext() = ReceiveNameHelpContext;
    if (engine::JobStoppingOnThisThread()) return;
    if (config::AskText(&name, "Enter remote file name to transfer to local system:") == 0 || name.empty()) return;
    engine::ClearLastEntry();
    if (ReceiveRemoteFile(name, 1, 1, prompt, start.localDirectory) == 2) PlayIfBell(engine::SoundEvent::Complete);
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
      const int result = ReceiveRemoteFile(entry.Name, i + 1, count, prompt, start.localDirectory);
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
    if (RunTree(start, &ReceiveWalk, entry.Name) == 0) {
      allProcessed = false;
      break;
    }
  }
  listing::ListLocalDirectory();
  if (allProcessed && !start.skippedAny) PlayIfBell(engine::SoundEvent::Complete);
}

void CollectFinishedThread() {
  std::lock_guard lock(workerMutex);
  if (workerThread.joinable() && workerThread.get_id() != std::this_thread::get_id()) workerThread.join();
}

using SelectionBody = void (*)(listing::PaneList&, WorkerStart&);

// The worker owns the control connection from before its first step: no
// command of the GUI thread slips in between. What it runs with is taken
// here, on the starting thread.
void Start(SelectionBody body, listing::PaneList& list) {
  WorkerStart start = TakeWorkerStart();
  if (!threadsAvailable) {
    engine::ClaimConnection(std::this_thread::get_id());
    {
      config::OwnTransferSwitches own(start.switches);
      body(list, start);
    }
    platform::CurrentHost().WorkerFinished(platform::BackgroundJob::SelectionTransfer);
    return;
  }
  CollectFinishedThread();
  std::lock_guard lock(workerMutex);
  workerThread = std::jthread([body, &list, start]() mutable {
    { std::lock_guard claimed(workerMutex); }  // until the claim below is made
    engine::InstallBlockingHook();
    {
      config::OwnTransferSwitches own(start.switches);
      body(list, start);
    }
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

bool UsedByTreeWalk(const std::string& path) {
  const std::string normal = Normalised(path);
  std::lock_guard lock(walkRootMutex);
  for (const std::string& root : walkRoots)
    if (WithinDirectory(normal, root) || WithinDirectory(root, normal)) return true;
  return false;
}

int SendTree(std::string_view localDirectory) {
  TreeWalk walk;
  walk.localListing = listing::CurrentLocalListingOptions();
  return SendWalk(walk, platform::CurrentDirectory().value_or(std::string()), std::string(localDirectory));
}

int ReceiveTree(std::string_view remoteDirectory) {
  TreeWalk walk;
  return ReceiveWalk(walk, platform::CurrentDirectory().value_or(std::string()), std::string(remoteDirectory));
}

void SendSelectedWorker(listing::PaneList& localList) {
  WorkerStart start = TakeWorkerStart();
  config::OwnTransferSwitches own(start.switches);
  SendSelection(localList, start);
}

void ReceiveSelectedWorker(listing::PaneList& remoteList) {
  WorkerStart start = TakeWorkerStart();
  config::OwnTransferSwitches own(start.switches);
  ReceiveSelection(remoteList, start);
}

void StartSendSelected(listing::PaneList& localList) {
  if (!MayStartWorker()) return;
  engine::SetWorkerBusy(true);
  Start(&SendSelection, localList);
  platform::CurrentHost().UpdateControlStates();
}

void StartReceiveSelected(listing::PaneList& remoteList) {
  if (!MayStartWorker()) return;
  engine::SetWorkerBusy(true);
  platform::CurrentHost().UpdateControlStates();
  Start(&ReceiveSelection, remoteList);
}

void WaitForSelectionWorker() {
  if (workerRunsOn.load() == std::this_thread::get_id()) return;
  while (engine::IsWorkerBusy()) {
    if (!platform::RunBlockingHook()) std::this_thread::sleep_for(std::chrono::milliseconds(platform::WaitSliceMs));
  }
  CollectFinishedThread();
}

void AbortSelectionWorker() {
  std::thread::id worker;
  {
    std::lock_guard lock(workerMutex);
    worker = workerThread.get_id();
  }
  if (engine::IsWorkerBusy() && workerRunsOn.load() != std::this_thread::get_id()) {
    engine::LogMessage("Aborting thread.");
    engine::Session& session = engine::TheSession();
    // Before the host hears of it: whatever the worker does next sees the
    // stop, and it asks no further prompt.
    engine::SetJobStopping(worker, true);
    session.CancelRequested = true;
    session.TreeAbort = true;
    platform::CurrentHost().WorkerStopping(platform::BackgroundJob::SelectionTransfer);
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
  engine::SetJobStopping(worker, false);
}

}  // namespace korval::operations
