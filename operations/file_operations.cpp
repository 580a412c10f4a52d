#include "operations/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "config/program_settings.h"
#include "config/prompts.h"
#include "config/transfer_switches.h"
#include "engine/command_engine.h"
#include "engine/file_transfer.h"
#include "engine/ftp_commands.h"
#include "engine/last_entry.h"
#include "engine/message_log.h"
#include "engine/remote_dir.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "listing/listing_entry.h"
#include "listing/local_listing.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "listing/remote_listing.h"
#include "listing/selection.h"
#include "operations/choice_prompt.h"
#include "operations/tree_transfer.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/net.h"
#include "platform/proc.h"
#include "platform/text.h"

namespace korval::operations {

namespace {

constexpr std::size_t QuestionCapacity = 511;
constexpr std::size_t ViewExtensionCapacity = 4;  // the '.' included

using SelectedEntry = listing::PaneItem;

listing::PaneList& ListOf(PaneSide side) {
  return side == PaneSide::Local ? listing::LocalPane() : listing::RemotePane();
}

int ControlSocket() { return engine::TheSession().ControlSocket; }

std::vector<SelectedEntry> ReadSelection(const listing::PaneList& list) { return listing::ReadSelectedEntries(list); }

bool IsParentOrDrive(const SelectedEntry& entry) { return entry.Name == ".." || entry.Kind == listing::DriveKind; }

bool IsDirectoryLike(std::int32_t kind) {
  return kind == listing::DirectoryKind || kind == listing::LinkKind || kind == listing::DriveKind;
}

bool StartsWithDrive(std::string_view name) { return name.size() >= 2 && name[0] == '[' && name[1] == '-'; }

// This platform has no drives: changing to one never succeeds, and the pane
// is listed again as it is.
bool ChangeToDrive(char /*letter*/) { return false; }

bool ChangeLocalDir(const std::string& name) { return !name.empty() && ::chdir(name.c_str()) == 0; }

// A rename or move never replaces an existing file: the file behind the new
// name would be lost without a word.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info {};
  if (::lstat(to.c_str(), &info) == 0) return false;  // a file system without the flag
  return ::rename(from.c_str(), to.c_str()) == 0;
}

// Where the server said the directory changed, the pane follows when
// DOUPDATE asks for it.
void RefreshAfterRemoteChange() {
  if (config::Settings().AutoUpdate) listing::RefreshRemoteListing(listing::RetrievalLock::Take);
}

void RefreshAfterChange(PaneSide side) {
  if (side == PaneSide::Local)
    listing::ListLocalDirectory();
  else
    RefreshAfterRemoteChange();
}

// 6 Yes, 7 No, 4 Delete All, 2 Cancel.
int VerifyDeletion(const std::string& name, bool offerDeleteAll) {
  const std::string question =
      platform::FormatTruncated(QuestionCapacity, "Are you sure you want to delete \"%s\"?", name.c_str());
  return platform::CurrentHost().AskVerifyDeletion(question, offerDeleteAll);
}

void EnterRemote(const std::string& name, listing::RetrievalLock lock) {
  if (engine::ChangeRemoteDir(ControlSocket(), name) == 2) listing::RetrieveRemoteListing(lock);
}

// Acts on one directory, drive or link entry as a double click does.
bool OpenSelected(PaneSide side, const SelectedEntry& entry) {
  if (entry.Kind == listing::DirectoryKind || entry.Kind == listing::DriveKind) {
    if (side == PaneSide::Remote) {
      EnterRemote(entry.Name, listing::RetrievalLock::Take);
      return true;
    }
    if (StartsWithDrive(entry.Name)) {
      if (entry.Name.size() > 2) ChangeToDrive(entry.Name[2]);
    } else if (!ChangeLocalDir(entry.Name)) {
      return true;
    }
    listing::ListLocalDirectory();
    return true;
  }
  if (entry.Kind == listing::LinkKind && side == PaneSide::Remote) {
    if (engine::ChangeRemoteDir(ControlSocket(), entry.Name) != 2) return false;
    listing::RetrieveRemoteListing(listing::RetrievalLock::Take);
    return true;
  }
  return false;
}

// The absolute path of a local file of the current directory: a program
// given it never mistakes a name such as "-rf" for an option.
std::string LocalFilePath(const std::string& name) {
  if (!name.empty() && name.front() == '/') return name;
  std::optional<std::string> directory = platform::CurrentDirectory();
  if (!directory) return "./" + name;
  if (directory->empty() || directory->back() != '/') *directory += '/';
  return *directory + name;
}

// What a running tree walk reads or writes (its local tree, and the
// directories that hold it) is not deleted, renamed or moved under it.
bool RefusedDuringWalk(const std::string& name) {
  const std::string path = LocalFilePath(name);
  if (!UsedByTreeWalk(path)) return false;
  engine::LogPrintf("Not while a directory transfer uses it: %s", path.c_str());
  return true;
}

void StartFor(ViewAction action, const std::string& file) {
  std::vector<std::string> arguments =
      action == ViewAction::View ? platform::ProgramArguments(config::ReadViewerCommand(), file)
                                 : std::vector<std::string>{std::string(platform::OpenProgram), file};
  if (platform::StartProgram(arguments, platform::ProgramWait::NoWait) != 0)
    engine::LogPrintf("Cannot start %s for %s", arguments.empty() ? "a program" : arguments.front().c_str(),
                      file.c_str());
}

// The name's extension for a viewed file's temporary name: from its last
// '.', at most 4 characters with the '.'. None when it would name another
// directory.
std::string ViewExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 >= name.size()) return {};
  std::string extension = platform::TruncateTo(std::string_view(name).substr(dot), ViewExtensionCapacity);
  if (extension.find_first_of("/\\") != std::string::npos) return {};
  return extension;
}

// A "DSP" temporary file for `remoteName`, ending in its extension when it
// has one. The file with the extension is created exclusively, so a name
// planted in a shared temporary directory is never written through.
platform::TemporaryFile ViewTemporaryFile(const std::string& remoteName) {
  platform::TemporaryFile reserved = platform::CreateTemporaryFile(platform::ViewFilePrefix);
  const std::string extension = ViewExtension(remoteName);
  if (!reserved.Valid() || extension.empty()) return reserved;
  const std::size_t tmp = reserved.Path().rfind(".TMP");
  if (tmp == std::string::npos) return reserved;
  std::string renamed = reserved.Path();
  renamed.replace(tmp, 4, extension);
  const int fd = ::open(renamed.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return reserved;
  ::close(fd);
  reserved.Remove();
  return platform::TemporaryFile(renamed);
}

void ViewRemoteEntry(const SelectedEntry& entry, ViewAction action, bool onlyEntry) {
  {
    listing::SessionBusyMark busy;
    platform::TemporaryFile file = ViewTemporaryFile(entry.Name);
    if (!file.Valid()) {
      engine::LogPrintf("Cannot create a temporary file for %s", entry.Name.c_str());
    } else {
      // This transfer's own switches: what it turns off is not the user's.
      config::OwnTransferSwitches own;
      char letter = own.Switches().Mode;
      // ASCII for a name without an extension, and for View in Auto mode;
      // Auto is off for this transfer, or it would choose again by the name.
      if (ViewExtension(entry.Name).empty() || (action == ViewAction::View && own.Switches().AutoMode)) {
        letter = 'A';
        own.Switches().AutoMode = 0;
      }
      engine::LastEntry().Kind = entry.Kind;
      engine::LastEntry().Size = entry.Size;
      const int result = engine::ReceiveFile(ControlSocket(), "RETR " + entry.Name, file.Path(), letter);
      if (result == 2) {
        // The program may read the file any time later; it goes at shutdown.
        const std::string path = file.Release();
        platform::RemoveAtShutdown(path);
        StartFor(action, path);
      } else if (engine::TheSession().LastReplyCode / 100 == 5 && onlyEntry) {
        // Perhaps a directory listed as a file.
        EnterRemote(entry.Name, listing::RetrievalLock::AlreadyHeld);
      }
    }
    listing::ListLocalDirectory();
  }
  platform::CurrentHost().EnableControl(CancelButtonId, true);
}

}  // namespace

bool OpenEntry(PaneSide side) {
  std::vector<SelectedEntry> entries = ReadSelection(ListOf(side));
  if (entries.empty()) return false;
  if (side == PaneSide::Remote && IsDirectoryLike(entries.front().Kind) && listing::IsSessionBusy()) {
    engine::LogMessage("command in process, ignored");
    return true;
  }
  return OpenSelected(side, entries.front());
}

void ChangeDirectory(PaneSide side) {
  for (const SelectedEntry& entry : ReadSelection(ListOf(side))) {
    if (!IsDirectoryLike(entry.Kind)) continue;
    OpenSelected(side, entry);
    return;
  }
  config::PromptHelpContext() = ChangeDirectoryHelpContext;
  if (side == PaneSide::Remote) {
    if (operations::AskChoice(engine::RemoteDir(), "Enter remote directory name:") == 0 ||
        config::PromptAnswer().empty())
      return;
    EnterRemote(config::PromptAnswer(), listing::RetrievalLock::Take);
    return;
  }
  std::string directory;
  if (config::AskText(&directory, "Enter local directory name:") == 0 || directory.empty()) return;
  if (directory.size() > 1 && directory[1] == ':') ChangeToDrive(directory[0]);
  ChangeLocalDir(directory);
  listing::ListLocalDirectory();
}

void MakeDirectory(PaneSide side) {
  std::string name;
  config::PromptHelpContext() = MakeDirectoryHelpContext;
  if (side == PaneSide::Remote) {
    if (config::AskText(&name, "Enter new remote directory name:") == 0 || name.empty()) return;
    if (engine::MakeRemoteDir(ControlSocket(), name) == 2) RefreshAfterRemoteChange();
    return;
  }
  if (config::AskText(&name, "Enter new local directory name:") == 0 || name.empty()) return;
  ::mkdir(name.c_str(), 0777);
  listing::ListLocalDirectory();
}

void RemoveDirectory(PaneSide side) {
  for (const SelectedEntry& entry : ReadSelection(ListOf(side))) {
    if (entry.Kind != listing::DirectoryKind || entry.Name == "..") continue;
    if (side == PaneSide::Local && RefusedDuringWalk(entry.Name)) return;
    if (VerifyDeletion(entry.Name, false) != platform::Host::DeletionYes) return;
    if (side == PaneSide::Remote) {
      if (engine::RemoveRemoteDir(ControlSocket(), entry.Name) == 2)
        RefreshAfterRemoteChange();
      else
        engine::LogPrintf("Delete of %s failed.", entry.Name.c_str());
    } else if (::rmdir(entry.Name.c_str()) != 0) {
      engine::LogPrintf("Delete of %s failed.", entry.Name.c_str());
    } else {
      listing::ListLocalDirectory();
    }
    return;
  }
  if (side == PaneSide::Local) return;
  std::string name;
  config::PromptHelpContext() = RemoveRemoteDirectoryHelpContext;
  if (config::AskText(&name, "Enter remote directory name:") == 0 || name.empty()) return;
  if (engine::RemoveRemoteDir(ControlSocket(), name) == 2) RefreshAfterRemoteChange();
}

void DeleteEntries(PaneSide side) {
  std::vector<SelectedEntry> entries = ReadSelection(ListOf(side));
  std::erase_if(entries, IsParentOrDrive);
  bool confirm = config::Settings().VerifyDelete != 0;
  bool changed = false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const SelectedEntry& entry = entries[i];
    if (side == PaneSide::Local && RefusedDuringWalk(entry.Name)) continue;
    if (confirm) {
      const std::size_t remaining = entries.size() - i;
      const int answer = VerifyDeletion(entry.Name, remaining >= 2);
      if (answer == platform::Host::DeletionCancel) break;
      if (answer == platform::Host::DeletionNo) continue;
      if (answer == platform::Host::DeletionAll) confirm = false;
      else if (answer != platform::Host::DeletionYes) break;  // an answer the dialog cannot give
    }
    if (side == PaneSide::Remote) {
      const int result = entry.Kind == listing::DirectoryKind ? engine::RemoveRemoteDir(ControlSocket(), entry.Name)
                                                     : engine::DeleteRemoteFile(ControlSocket(), entry.Name);
      if (result == 2)
        changed = true;
      else
        engine::LogPrintf("Delete of %s failed", entry.Name.c_str());
    } else {
      const int result =
          entry.Kind == listing::DirectoryKind ? ::rmdir(entry.Name.c_str()) : ::unlink(entry.Name.c_str());
      if (result == 0)
        changed = true;
      else
        engine::LogPrintf("Delete of %s failed.", entry.Name.c_str());
    }
  }
  if (changed) RefreshAfterChange(side);
}

void RenameEntries(PaneSide side) {
  std::vector<SelectedEntry> entries = ReadSelection(ListOf(side));
  std::erase_if(entries, IsParentOrDrive);
  bool changed = false;
  for (const SelectedEntry& entry : entries) {
    if (side == PaneSide::Local && RefusedDuringWalk(entry.Name)) continue;
    std::string newName = entry.Name;
    if (config::AskText(&newName, "Enter new name for \"%s\":", entry.Name.c_str()) == 0 || newName.empty()) break;
    if (side == PaneSide::Local && RefusedDuringWalk(newName)) continue;
    if (side == PaneSide::Remote) {
      if (engine::SendCommand(ControlSocket(), "RNFR %s", entry.Name.c_str()) != 3) continue;
      if (engine::SendCommand(ControlSocket(), "RNTO %s", newName.c_str()) == 2)
        changed = true;
      else
        engine::LogPrintf("Rename of %s to %s failed.", entry.Name.c_str(), newName.c_str());
    } else if (RenameWithoutReplacing(entry.Name, newName)) {
      changed = true;
    } else {
      engine::LogPrintf("Rename of %s to %s failed.", entry.Name.c_str(), newName.c_str());
    }
  }
  if (changed) RefreshAfterChange(side);
}

void MoveEntries(PaneSide side) {
  std::string destination;
  if (config::AskText(&destination, "Please enter the %s destination directory:",
                      side == PaneSide::Local ? "local" : "remote") == 0 ||
      destination.empty())
    return;
  std::vector<SelectedEntry> entries = ReadSelection(ListOf(side));
  std::erase_if(entries, IsParentOrDrive);
  bool changed = false;
  for (const SelectedEntry& entry : entries) {
    const std::string target = destination + "/" + entry.Name;
    if (side == PaneSide::Local && (RefusedDuringWalk(entry.Name) || RefusedDuringWalk(target))) continue;
    if (side == PaneSide::Remote) {
      if (engine::SendCommand(ControlSocket(), "RNFR %s", entry.Name.c_str()) != 3) continue;
      if (engine::SendCommand(ControlSocket(), "RNTO %s", target.c_str()) == 2)
        changed = true;
      else
        engine::LogPrintf("Move of %s to %s failed.", entry.Name.c_str(), target.c_str());
    } else if (RenameWithoutReplacing(entry.Name, target)) {
      changed = true;
    } else {
      engine::LogPrintf("Move of %s to %s failed.", entry.Name.c_str(), target.c_str());
    }
  }
  if (changed) RefreshAfterChange(side);
}

void ViewOrExecute(PaneSide side, ViewAction action) {
  const std::vector<SelectedEntry> entries = ReadSelection(ListOf(side));
  for (const SelectedEntry& entry : entries) {
    if (entry.Kind == listing::DirectoryKind || entry.Kind == listing::DriveKind) continue;
    if (side == PaneSide::Local)
      StartFor(action, LocalFilePath(entry.Name));
    else
      ViewRemoteEntry(entry, action, entries.size() == 1);
  }
}

void ViewLocalFile(const std::string& path) { StartFor(ViewAction::View, path); }

void RefreshPane(PaneSide side) {
  if (side == PaneSide::Remote) {
    if (listing::IsSessionBusy()) return;
    engine::DrainControlReply(ControlSocket());
    listing::RefreshRemoteListing(listing::RetrievalLock::AlreadyHeld);
    return;
  }
  if (listing::LocalMask().empty()) listing::SetLocalMask("*.*");
  listing::ListLocalDirectory();
}

void DirectoryBoxChosen(PaneSide side, std::string_view boxText) {
  const std::string text = platform::TruncateTo(boxText, DirectoryBoxTextCapacity);
  if (side == PaneSide::Remote) {
    if (listing::IsSessionBusy()) return;
    EnterRemote(text, listing::RetrievalLock::Take);
    return;
  }
  if (StartsWithDrive(text)) {
    if (text.size() > 2) ChangeToDrive(text[2]);
  } else {
    if (text.size() > 1 && text[1] == ':') ChangeToDrive(text[0]);
    if (!ChangeLocalDir(text)) return;
  }
  listing::ListLocalDirectory();
}

}  // namespace korval::operations
