#pragma once
// One command-line transfer from start to end: the arguments classified, the
// profile found by the host's name, the logon, the one file sent or received
// and the connection closed. A remote source that is a directory is listed
// instead and the connection stays open.

#include <string_view>

namespace korval::operations {

enum BatchResult : int {
  BatchFailed = 0,
  BatchTransferred = 1,
  BatchRemoteDirectory = 2,  // the source was a directory: its listing is in the remote pane
};

// After a failure: whether the arguments were not understood at all (as
// opposed to a failed logon or transfer).
bool BatchArgumentsNotUnderstood();

// The text after the options: prepared (-quiet and -ascii found anywhere,
// backslashes to slashes), split, and run when a source is named.
int StartBatch(std::string_view text);
int RunBatchTransfer(std::string_view source, std::string_view destination);

}  // namespace korval::operations
