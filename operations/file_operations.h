#pragma once
// The operations of the two panes: entering, making and removing
// directories; deleting, renaming and moving the selected entries; viewing
// and executing files; refreshing a pane; and choosing a directory in a
// pane's directory box. Each works on the selected entries of its pane's
// list, asks through the host, reports failures in the message log and lists
// the pane again when something changed.
//
// Remote operations go to the server through the command set (CWD with its
// fallbacks, MKD, RMD, DELE, and RNFR/RNTO sent as they stand). ".." and
// drive entries are never deleted, renamed or moved.

#include <string>
#include <string_view>

#include "config/prompts.h"

namespace korval::operations {

enum class PaneSide { Local, Remote };
enum class ViewAction { View, Execute };

// Help topics of the prompts.
constexpr int ChangeDirectoryHelpContext = 180;
constexpr int MakeDirectoryHelpContext = 185;
constexpr int RemoveRemoteDirectoryHelpContext = 650;
// The main window's Cancel button, enabled again after a remote view.
constexpr int CancelButtonId = 9033;
// A directory box's text is read with at most this many characters.
constexpr std::size_t DirectoryBoxTextCapacity = config::PromptAnswerCapacity;

// A double click: enters the first selected directory, drive or (remote)
// link. True when it took the entry; otherwise the pane's double-click
// action applies. On the remote pane nothing is sent while the connection
// is not free ("command in process, ignored"); the click counts as taken.
bool OpenEntry(PaneSide side);
// Enters a selected directory, link or drive, or asks for a directory.
void ChangeDirectory(PaneSide side);
void MakeDirectory(PaneSide side);
// Removes the selected directory after asking; the remote pane asks for a
// name when no directory is selected.
void RemoveDirectory(PaneSide side);
// Deletes the selected entries, confirming each while VRFYDEL is on and no
// Delete All was given.
void DeleteEntries(PaneSide side);
void RenameEntries(PaneSide side);
// Moves the selected entries into a directory asked for once.
void MoveEntries(PaneSide side);
// Opens each selected file or link in the text viewer (View) or with its
// associated program (Execute); a remote file is fetched into a "DSP"
// temporary file first.
void ViewOrExecute(PaneSide side, ViewAction action);
void RefreshPane(PaneSide side);
// Opens the local file at `path` in the text viewer (VIEWER).
void ViewLocalFile(const std::string& path);
// The user chose or typed `boxText` in the pane's directory box.
void DirectoryBoxChosen(PaneSide side, std::string_view boxText);

}  // namespace korval::operations
