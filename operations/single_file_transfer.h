#pragma once
// One file sent or received by name, as the transfer buttons, drops and tree
// walks do it: the destination name derived (and optionally edited by the
// user), the transfer run, the transfer log written, and after a completed
// receive the profile's restart record cleared.

#include <string>
#include <string_view>

namespace korval::operations {

constexpr int RemoteNameHelpContext = 640;
constexpr int LocalNameHelpContext = 630;

// The local file is `localPath` inside `localDirectory` (empty: the current
// directory); a worker names its directory, so the local pane may change
// its own meanwhile. The log names files as they were given.
//
// The class SendFile returned, or 2 when the user cancelled the prompt.
int SendLocalFile(std::string_view localPath, unsigned number, unsigned count, bool prompt,
                  std::string_view localDirectory = {});
// The class ReceiveFile returned, or 2 when the user cancelled the prompt.
int ReceiveRemoteFile(std::string_view remoteName, unsigned number, unsigned count, bool prompt,
                      std::string_view localDirectory = {});

}  // namespace korval::operations
