#include "engine/remote_dir.h"

namespace korval::engine {

std::string& RemoteDir() {
  static std::string directory;
  return directory;
}

}  // namespace korval::engine
