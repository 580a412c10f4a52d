#pragma once
// The line builders: one per listing layout that carries a date and a size.
// Each reads one listing line (and may change it), decides directory or file,
// rewrites the date, time and size into the normalised information text and
// adds at most one entry to the context's pane.

#include <string>

#include "listing/listing_options.h"

namespace korval::listing {

void BuildUnixLine(std::string& line, const ListingContext& context);        // 6000, 6010 and most others
void BuildNetWareLine(std::string& line, const ListingContext& context);     // 6035
void BuildNtLine(std::string& line, const ListingContext& context);          // 6016
void BuildQvtLine(std::string& line, const ListingContext& context);         // 6039
void BuildVersaTermLine(std::string& line, const ListingContext& context);   // 6040
void BuildDosColumnLine(std::string& line, const ListingContext& context);   // 6022, 6036
void BuildVmLine(std::string& line, const ListingContext& context);          // 6004

// A UNIX-style line read by what its fields are: the first date group after
// the type word, the size in front of it, the name as the rest of the line.
// False (and nothing added) when the line has no date group with a name behind.
bool BuildLineByFoundFields(std::string& line, const ListingContext& context);

}  // namespace korval::listing
