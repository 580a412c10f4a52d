#pragma once
// The current listing file: the file a directory listing is received into
// and the listing parser reads.

#include <string>

namespace korval::engine {

std::string& ListingFile();

}  // namespace korval::engine
