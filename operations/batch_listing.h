#pragma once
// A remote directory named as a batch source, written for a reader of the
// terminal: one line per entry with its type ("d", "l" or "-"), size, date
// as YYYY-MM-DD HH:MM (blank when the listing gives none) and name; the
// parent entry ".." is not listed.

#include <string>
#include <vector>

#include "listing/listing_entry.h"
#include "listing/pane_list.h"

namespace korval::operations {

// "-         1234  2026-12-10 10:41  name"; a directory shows only its type
// and name, as the pane does. Empty for the ".." entry.
std::string BatchListingLine(const listing::ListingEntry& entry);

// The lines of every entry of `pane` in pane order.
std::vector<std::string> BatchListingLines(const listing::PaneList& pane);

}  // namespace korval::operations
