#pragma once
// The entries of one file pane, kept in pane order, with the selection and the
// widest-text measure. This is the core's data; the user interface only draws
// it. Adding keeps the order at no quadratic cost: new entries are collected
// and put in place by a stable merge sort with the pane's comparison when the
// order is next read, so a rebuild of n entries costs O(n log n).
//
// Every member takes the list's own lock: a worker thread may read the
// selection while the user-interface thread owns the list, and the GUI
// thread may read a pane while a worker fills it. The two panes of the main
// window tell the host (PaneChanged) when they were emptied, filled (Show,
// TakeContentsOf) or sorted again while shown; never under their lock.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "listing/listing_entry.h"
#include "platform/host.h"

namespace korval::listing {

enum class WidthTracking { Ignore, Track };

// No operation handles more selected entries of one pane than this.
constexpr std::size_t SelectionCapacity = 2048;

class PaneList {
 public:
  explicit PaneList(int sortSetting = SortByName);
  // One of the main window's panes, which tells the host of its changes.
  explicit PaneList(platform::PaneSide side);
  PaneList(const PaneList&) = delete;
  PaneList& operator=(const PaneList&) = delete;

  // Frees every entry and the selection and empties the pane.
  void Clear();
  // Takes over everything of `built` (entries, order, sort setting, widest
  // text) in one step, so a reader on another thread sees the old contents or
  // the new ones, never a half-built list; `built` is left empty.
  void TakeContentsOf(PaneList& built);
  // Adds an entry in pane order; with WidthTracking::Track a display text
  // longer than any added since ResetWidestText() becomes the widest text.
  void Add(ListingEntry entry, WidthTracking tracking = WidthTracking::Ignore);

  std::size_t Count() const;
  // A copy of the entry at `index` in pane order; empty past the end.
  std::optional<ListingEntry> EntryAt(std::size_t index) const;
  // Calls `visit` for every entry in pane order, under the list's lock (the
  // visitor must not call back into this list).
  void ForEachEntry(const std::function<void(std::size_t, const ListingEntry&)>& visit) const;

  // The sort setting (LSORT or RSORT); a change re-sorts the entries from the
  // order in which they were added, as a rebuilt pane would show them.
  int SortSetting() const;
  void SetSortSetting(int sortSetting);

  // Selection and caret, by index in pane order.
  void SetSelected(std::size_t index, bool selected);
  bool IsSelected(std::size_t index) const;
  void ClearSelection();
  // The selected indexes in pane order, at most `limit` of them.
  std::vector<std::size_t> SelectedIndexes(std::size_t limit = SelectionCapacity) const;
  void SetCaret(std::optional<std::size_t> index);
  std::optional<std::size_t> Caret() const;

  // The widest-text measure: the longest display text added with tracking
  // since the last reset. The view turns it into its horizontal extent.
  void ResetWidestText();
  std::size_t WidestTextLength() const;
  std::string WidestText() const;

  // Hidden while a rebuild fills the list; every change counts a revision,
  // so a view knows when to draw again.
  void Hide();
  void Show();
  bool IsVisible() const;
  std::uint64_t Revision() const;

 private:
  struct SortItem;
  void TellHost(bool changedWhileVisible) const;
  void TakeContentsLocked(PaneList& built);
  void PutInOrder() const;  // with mutex_ held
  template <typename Item, typename Less>
  static void MergeSort(Item* data, std::size_t length, std::vector<Item>& buffer, Less before);
  void SortByKeys() const;
  bool Before(std::uint32_t left, std::uint32_t right) const;

  mutable std::mutex mutex_;
  std::deque<ListingEntry> entries_;            // in the order they were added
  mutable std::vector<std::uint32_t> order_;    // pane order: indexes into entries_
  mutable std::size_t orderedCount_ = 0;        // order_[0, orderedCount_) is in order
  std::vector<std::uint8_t> selected_;          // by index into entries_
  std::optional<std::size_t> caret_;
  int sortSetting_ = SortByName;
  std::optional<platform::PaneSide> side_;
  std::string widestText_;
  bool visible_ = true;
  std::uint64_t revision_ = 0;
};

// The two panes of the main window.
PaneList& LocalPane();
PaneList& RemotePane();
// Both panes emptied, visible, sorted by name (the default of LSORT and RSORT).
void ResetPaneLists();

}  // namespace korval::listing
