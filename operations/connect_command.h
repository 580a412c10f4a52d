#pragma once
// The Connect button (command 9000) and its toggle to Close: the profile
// dialog, the logon with its retries, the initial directories and the panes;
// the Close button stops a tree transfer before the connection goes.

#include <string>

namespace korval::operations {

// The directory the program started in ("origdir"), recorded at start-up.
std::string& StartDirectory();

// The Connect button (command 9000) and its toggle to Close.
void ConnectCommand(int commandId);
// The Close button: stops a tree transfer, closes, empties the cache.
void DisconnectCommand();

}  // namespace korval::operations
