#pragma once
// The current listing file: the file a directory listing is received into
// and the listing parser reads.

#include <string>

namespace korval::listing {

std::string& ListingFile();

}  // namespace korval::listing
