#pragma once
// One pane entry as a line of text for people and scripts: kind, name, size,
// year, month, day, hour, minute and display text, separated by tabs. Tabs
// inside the name and the display text are written as the two characters "\t".

#include <string>

#include "listing/listing_entry.h"

namespace korval::listing {

// Appends the entry's line (without a line end) to `out`.
void AppendEntryReport(std::string& out, const ListingEntry& entry);
std::string FormatEntryReport(const ListingEntry& entry);

}  // namespace korval::listing
