#include "listing/remote_dir.h"

namespace korval::listing {

std::string& RemoteDir() {
  static std::string directory;
  return directory;
}

}  // namespace korval::listing
