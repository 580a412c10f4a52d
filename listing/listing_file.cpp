#include "listing/listing_file.h"

namespace korval::listing {

std::string& ListingFile() {
  static std::string path;
  return path;
}

}  // namespace korval::listing
