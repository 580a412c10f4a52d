#pragma once
// The current listing file: the file a directory listing is received into
// and the listing parser reads. A worker sets it while the GUI thread may
// read it: reads give a copy.

#include <string>

namespace korval::engine {

const std::string ListingFile();
void SetListingFile(std::string path);

}  // namespace korval::engine
