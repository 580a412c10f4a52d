#include "listing/pane_list.h"

#include <algorithm>

namespace korval::listing {

namespace {
// Runs this short are put in order by insertion before merging.
constexpr std::size_t InsertionRun = 24;
// So few new entries are placed by binary search instead of a merge.
constexpr std::size_t FewNewEntries = 4;
}  // namespace

PaneList::PaneList(int sortSetting) : sortSetting_(sortSetting) {}

void PaneList::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::deque<ListingEntry>().swap(entries_);
  std::vector<std::uint32_t>().swap(order_);
  std::vector<std::uint32_t>().swap(buffer_);
  std::vector<std::uint8_t>().swap(selected_);
  orderedCount_ = 0;
  caret_.reset();
  ++revision_;
}

void PaneList::Add(ListingEntry entry, WidthTracking tracking) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.size() >= UINT32_MAX) return;  // dropped, as an entry that cannot be added
  if (tracking == WidthTracking::Track && entry.Text.size() > widestText_.size()) widestText_ = entry.Text;
  order_.push_back(static_cast<std::uint32_t>(entries_.size()));
  entries_.push_back(std::move(entry));
  selected_.push_back(0);
  ++revision_;
}

std::size_t PaneList::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

std::optional<ListingEntry> PaneList::EntryAt(std::size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index >= order_.size()) return std::nullopt;
  PutInOrder();
  return entries_[order_[index]];
}

void PaneList::ForEachEntry(const std::function<void(std::size_t, const ListingEntry&)>& visit) const {
  std::lock_guard<std::mutex> lock(mutex_);
  PutInOrder();
  for (std::size_t i = 0; i < order_.size(); ++i) visit(i, entries_[order_[i]]);
}

int PaneList::SortSetting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sortSetting_;
}

void PaneList::SetSortSetting(int sortSetting) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (sortSetting == sortSetting_) return;
  sortSetting_ = sortSetting;
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
  orderedCount_ = 0;
  ++revision_;
}

void PaneList::SetSelected(std::size_t index, bool selected) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index >= order_.size()) return;
  PutInOrder();
  selected_[order_[index]] = selected ? 1 : 0;
  ++revision_;
}

bool PaneList::IsSelected(std::size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index >= order_.size()) return false;
  PutInOrder();
  return selected_[order_[index]] != 0;
}

void PaneList::ClearSelection() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::fill(selected_.begin(), selected_.end(), 0);
  ++revision_;
}

std::vector<std::size_t> PaneList::SelectedIndexes(std::size_t limit) const {
  std::lock_guard<std::mutex> lock(mutex_);
  PutInOrder();
  std::vector<std::size_t> indexes;
  for (std::size_t i = 0; i < order_.size() && indexes.size() < limit; ++i)
    if (selected_[order_[i]]) indexes.push_back(i);
  return indexes;
}

void PaneList::SetCaret(std::optional<std::size_t> index) {
  std::lock_guard<std::mutex> lock(mutex_);
  caret_ = index;
}

std::optional<std::size_t> PaneList::Caret() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return caret_;
}

void PaneList::ResetWidestText() {
  std::lock_guard<std::mutex> lock(mutex_);
  widestText_.clear();
}

std::size_t PaneList::WidestTextLength() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return widestText_.size();
}

std::string PaneList::WidestText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return widestText_;
}

void PaneList::Hide() {
  std::lock_guard<std::mutex> lock(mutex_);
  visible_ = false;
  ++revision_;
}

void PaneList::Show() {
  std::lock_guard<std::mutex> lock(mutex_);
  visible_ = true;
  ++revision_;
}

bool PaneList::IsVisible() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return visible_;
}

std::uint64_t PaneList::Revision() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return revision_;
}

bool PaneList::Before(std::uint32_t left, std::uint32_t right) const {
  return CompareEntries(entries_[left], entries_[right], sortSetting_) < 0;
}

// A stable bottom-up merge sort of order_[begin, end). Every step is bounded
// by the range, so even a comparison that is not transitive (texts with and
// without information compared by date) yields some order, never an overrun.
void PaneList::SortRange(std::size_t begin, std::size_t end) const {
  std::uint32_t* data = order_.data();
  for (std::size_t runStart = begin; runStart < end; runStart += InsertionRun) {
    std::size_t runEnd = std::min(runStart + InsertionRun, end);
    for (std::size_t i = runStart + 1; i < runEnd; ++i) {
      std::uint32_t moving = data[i];
      std::size_t j = i;
      for (; j > runStart && Before(moving, data[j - 1]); --j) data[j] = data[j - 1];
      data[j] = moving;
    }
  }
  std::size_t length = end - begin;
  if (buffer_.size() < (length + 1) / 2 + InsertionRun) buffer_.resize((length + 1) / 2 + InsertionRun);
  for (std::size_t width = InsertionRun; width < length; width *= 2) {
    for (std::size_t low = begin; low + width < end; low += 2 * width) {
      std::size_t middle = low + width;
      std::size_t high = std::min(low + 2 * width, end);
      if (!Before(data[middle], data[middle - 1])) continue;  // the two runs are already in order
      if (buffer_.size() < middle - low) buffer_.resize(middle - low);
      std::copy(data + low, data + middle, buffer_.data());
      std::size_t left = 0;
      std::size_t leftEnd = middle - low;
      std::size_t right = middle;
      std::size_t out = low;
      while (left < leftEnd && right < high) {
        if (Before(data[right], buffer_[left])) {
          data[out++] = data[right++];
        } else {
          data[out++] = buffer_[left++];
        }
      }
      while (left < leftEnd) data[out++] = buffer_[left++];
    }
  }
}

void PaneList::PutInOrder() const {
  std::size_t total = order_.size();
  if (orderedCount_ == total) return;
  std::size_t fresh = total - orderedCount_;
  if (fresh <= FewNewEntries) {
    // Each new entry goes behind every entry that does not come after it.
    for (std::size_t i = orderedCount_; i < total; ++i) {
      std::uint32_t moving = order_[i];
      std::size_t low = 0;
      std::size_t high = i;
      while (low < high) {
        std::size_t probe = low + (high - low) / 2;
        if (Before(moving, order_[probe])) {
          high = probe;
        } else {
          low = probe + 1;
        }
      }
      std::move_backward(order_.begin() + static_cast<std::ptrdiff_t>(low),
                         order_.begin() + static_cast<std::ptrdiff_t>(i),
                         order_.begin() + static_cast<std::ptrdiff_t>(i + 1));
      order_[low] = moving;
    }
  } else {
    SortRange(orderedCount_, total);
    if (orderedCount_ > 0 && Before(order_[orderedCount_], order_[orderedCount_ - 1])) {
      // Merge the ordered part with the newly sorted part; on ties the older entry stays first.
      std::vector<std::uint32_t> merged;
      merged.reserve(total);
      std::size_t left = 0;
      std::size_t right = orderedCount_;
      while (left < orderedCount_ && right < total) {
        if (Before(order_[right], order_[left])) {
          merged.push_back(order_[right++]);
        } else {
          merged.push_back(order_[left++]);
        }
      }
      while (left < orderedCount_) merged.push_back(order_[left++]);
      while (right < total) merged.push_back(order_[right++]);
      order_.swap(merged);
    }
  }
  orderedCount_ = total;
  std::vector<std::uint32_t>().swap(buffer_);
}

PaneList& LocalPane() {
  static PaneList pane;
  return pane;
}

PaneList& RemotePane() {
  static PaneList pane;
  return pane;
}

void ResetPaneLists() {
  for (PaneList* pane : {&LocalPane(), &RemotePane()}) {
    pane->Clear();
    pane->ResetWidestText();
    pane->Show();
    pane->SetSortSetting(SortByName);
  }
}

}  // namespace korval::listing
