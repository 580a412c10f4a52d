#include "listing/selection.h"

#include <optional>

#include "engine/last_entry.h"
#include "engine/message_log.h"

namespace korval::listing {

namespace {

void RemoveTrailingBlanks(std::string& text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
}

}  // namespace

std::vector<std::size_t> GetSelectedItems(const PaneList& list) { return list.SelectedIndexes(SelectionCapacity); }

std::int32_t ReadEntry(const PaneList& list, std::size_t index, std::string& name) {
  std::optional<ListingEntry> entry = list.EntryAt(index);
  name.clear();
  if (!entry) return NoEntryKind;
  engine::LastEntry().Kind = entry->Kind;
  engine::LastEntry().Size = entry->Size;
  if (!entry->WholeName.empty()) {
    name = entry->WholeName.view();  // kept whole: the display text shows it otherwise
    return entry->Kind;
  }
  name = entry->Name();
  if (std::size_t separator = name.find(InfoSeparator); separator != std::string::npos) {
    name.erase(separator);
    RemoveTrailingBlanks(name);
  } else if (entry->Kind == DirectoryKind) {
    RemoveTrailingBlanks(name);
  }
  return entry->Kind;
}

std::vector<PaneItem> ReadSelectedEntries(const PaneList& list) {
  std::vector<PaneItem> items;
  // Past the limit nothing is handled; the user is told how much was not.
  if (const std::size_t all = list.SelectedIndexes(list.Count()).size(); all > SelectionCapacity)
    engine::LogPrintf("%zu selected entries left out: %zu are handled at once.", all - SelectionCapacity,
                      SelectionCapacity);
  for (std::size_t index : GetSelectedItems(list)) {
    PaneItem item;
    item.Kind = ReadEntry(list, index, item.Name);
    if (item.Kind == NoEntryKind) continue;
    item.Size = engine::LastEntry().Size;
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<PaneItem> ReadAllEntries(const PaneList& list) {
  std::vector<PaneItem> items;
  const std::size_t count = list.Count();
  items.reserve(count);
  for (std::size_t index = 0; index < count; ++index) {
    PaneItem item;
    item.Kind = ReadEntry(list, index, item.Name);
    if (item.Kind == NoEntryKind) break;
    item.Size = engine::LastEntry().Size;
    items.push_back(std::move(item));
  }
  return items;
}

std::size_t JoinSelectedNames(const PaneList& list, std::string& buffer, std::size_t capacity) {
  std::size_t appended = 0;
  std::string name;
  for (std::size_t index : GetSelectedItems(list)) {
    if (ReadEntry(list, index, name) == NoEntryKind || name.empty()) continue;
    const std::size_t room = capacity > buffer.size() ? capacity - buffer.size() : 0;
    if (name.size() + 2 >= room) continue;
    if (appended > 0) buffer += ' ';
    buffer += name;
    ++appended;
  }
  return appended;
}

}  // namespace korval::listing
