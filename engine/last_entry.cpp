#include "engine/last_entry.h"

namespace korval::engine {

LastEntryRecord& LastEntry() {
  thread_local LastEntryRecord entry;
  return entry;
}

void ClearLastEntry() { LastEntry() = LastEntryRecord{}; }

}  // namespace korval::engine
