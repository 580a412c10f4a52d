#pragma once
// The current remote directory as the server's PWD reply named it.

#include <string>

namespace korval::listing {

constexpr std::size_t RemoteDirCapacity = 255;

std::string& RemoteDir();

}  // namespace korval::listing
