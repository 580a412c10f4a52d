#pragma once
// The current remote directory as the server's PWD reply named it, at most
// 250 characters; "undecipherable" when the reply could not be read.

#include <cstddef>
#include <string>

namespace korval::engine {

constexpr std::size_t RemoteDirCapacity = 250;

std::string& RemoteDir();

}  // namespace korval::engine
