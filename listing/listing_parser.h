#pragma once
// Turns the text a server sent for LIST into the entries of the remote pane,
// by the rule set of the session's host type. A line is read whole up to
// 16 KiB (a longer one keeps that much); a NUL byte ends a line's text.

#include <cstdio>
#include <string>
#include <string_view>

#include "listing/listing_options.h"

namespace korval::listing {

class PaneList;

// The most characters of one listing line that are read, its line end included.
constexpr std::size_t ListingLineCapacity = 16 * 1024;

// Rebuilds `pane` from the listing file at `path`: hides it, empties it, adds
// "..", resets its widest-text measure, adds the entries of every line and
// shows it again. A file that cannot be opened logs "couldn't open %s for
// read." and leaves only "..". Returns 1 when the file was read, 0 when not.
int ParseListing(const std::string& path, PaneList& pane, const ListingOptions& options);

// The same for a listing already open (a pipe, standard input) or in memory.
int ParseListingStream(std::FILE* stream, PaneList& pane, const ListingOptions& options);
int ParseListingText(std::string_view text, PaneList& pane, const ListingOptions& options);

// Hands one listing line, its line end already removed, to the rule set of
// the context's host type.
void ApplyListingRules(std::string& line, const ListingContext& context);

}  // namespace korval::listing
