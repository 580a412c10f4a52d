#pragma once
// The current remote directory as the server's PWD reply named it, at most
// 250 characters; "undecipherable" when the reply could not be read. A worker
// sets it while the GUI thread may read it: reads give a copy.

#include <cstddef>
#include <string>

namespace korval::engine {

constexpr std::size_t RemoteDirCapacity = 250;

const std::string RemoteDir();
void SetRemoteDir(std::string directory);

}  // namespace korval::engine
