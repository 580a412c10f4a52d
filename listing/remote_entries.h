#pragma once
// The operations that add entries to the remote pane: the ".." entry, a
// directory, and a file or link with its information text, filtered by the
// remote mask.

#include <cstdint>
#include <string_view>

#include "listing/listing_entry.h"
#include "listing/listing_options.h"

namespace korval::listing {

// ".." (kind 4, no information, size 0), the remote pane's first entry.
void AddParentEntry(PaneList& pane);

// A directory (kind 0 means 4); empty names, "." and ".." are ignored. No
// mask filter and no width tracking.
void AddDirEntry(PaneList& pane, std::string_view name, std::int32_t kind = DirectoryKind);
inline void AddDirEntry(const ListingContext& context, std::string_view name, std::int32_t kind = DirectoryKind) {
  AddDirEntry(context.Pane, name, kind);
}

// A file or link. Nothing is added for an empty name or, with a mask that has
// '*' or '?', a name the mask does not match. Kind 0 becomes 1 when the ASCII
// list knows the name's ending. An information text beginning with '9' is
// read back as normalised text; a non-zero `size` then replaces its size.
// An empty `info` means no information text.
// With `date` the entry takes that date instead of reading one back.
void AddFileEntry(const ListingContext& context, std::string_view name, std::string_view info,
                  std::uint64_t size = 0, std::int32_t kind = FileKind, const EntryDate* date = nullptr);

// A file or link whose line gave a date and a size: the normalised text as
// its information, the date and size kept whole in the entry.
void AddDatedFileEntry(const ListingContext& context, std::string_view name, const NormalisedInfo& info,
                       std::int32_t kind = FileKind);

}  // namespace korval::listing
