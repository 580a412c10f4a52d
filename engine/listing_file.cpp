#include "engine/listing_file.h"

namespace korval::engine {

std::string& ListingFile() {
  static std::string path;
  return path;
}

}  // namespace korval::engine
