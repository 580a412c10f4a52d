#pragma once
// The fixed fields of the pane entry read last (by the selection readers):
// a transfer looks at its kind (a refused link is walked as a directory) and
// its size (the expected size when the server announces none). Each thread
// has its own: the entries a worker reads feed its transfers, and what the
// GUI thread reads meanwhile (a local Delete's selection) changes nothing of
// them.

#include <cstdint>

namespace korval::engine {

constexpr std::int32_t LinkEntryKind = 2;

struct LastEntryRecord {
  std::int32_t Kind = 0;
  std::uint64_t Size = 0;
};

LastEntryRecord& LastEntry();
void ClearLastEntry();

}  // namespace korval::engine
