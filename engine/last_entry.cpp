#include "engine/last_entry.h"

namespace korval::engine {

LastEntryRecord& LastEntry() {
  static LastEntryRecord entry;
  return entry;
}

void ClearLastEntry() { LastEntry() = LastEntryRecord{}; }

}  // namespace korval::engine
