#pragma once
// The receive of a directory listing: LIST or NLST with its arguments, its
// data written unchanged into a local file. It runs a transfer in the usual
// order (TYPE A if needed, data connection passive first when the profile
// asks, the command, the data, the completion reply) without the progress
// display; the file transfers' own receive takes its place once it exists.

#include <string>
#include <string_view>

namespace korval::engine {

// The class of the completion reply (2 on success), or 0 when the transfer
// did not start (no connection, another command in progress, the local file
// not writable, no data connection, the command refused).
int ReceiveListing(int controlSocket, std::string_view command, const std::string& localPath);

}  // namespace korval::engine
