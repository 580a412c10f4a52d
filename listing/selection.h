#pragma once
// Reading a pane's selection back for the file operations and transfers: the
// selected indexes (at most 2048), each entry's kind and name, and the names
// joined for one command line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "listing/pane_list.h"

namespace korval::listing {

// ReadEntry's answer for an index with no entry.
constexpr std::int32_t NoEntryKind = -1;

// The selected indexes of `list` in pane order, at most 2048 of them.
std::vector<std::size_t> GetSelectedItems(const PaneList& list);

// The kind of the entry at `index` (NoEntryKind past the end) and its name in
// `name`: the entry's whole name where the display text shows it otherwise,
// else the display text cut to the name's length, then at "\t| " with
// trailing blanks removed; without "\t| ", trailing blanks go only from a
// directory's name. The entry's kind and size become LastEntry().
std::int32_t ReadEntry(const PaneList& list, std::size_t index, std::string& name);

// One entry as ReadEntry reads it.
struct PaneItem {
  std::int32_t Kind = FileKind;
  std::uint64_t Size = 0;
  std::string Name;
};
// The selected entries that can be read, in pane order (at most 2048; the
// log says how many more were selected and left out).
std::vector<PaneItem> ReadSelectedEntries(const PaneList& list);
// Every entry of `list` in pane order.
std::vector<PaneItem> ReadAllEntries(const PaneList& list);

// Appends the names of the selected entries to `buffer`, separated by single
// blanks, while the whole stays within `capacity` characters: a name is taken
// only when its length plus 2 is less than the room left; a name that does
// not fit is skipped and later ones are still tried. The number of names
// appended.
std::size_t JoinSelectedNames(const PaneList& list, std::string& buffer, std::size_t capacity);

}  // namespace korval::listing
