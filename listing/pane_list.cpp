#include "listing/pane_list.h"

#include <algorithm>
#include <utility>

#include "platform/host.h"

namespace korval::listing {

namespace {
// Runs this short are put in order by insertion before merging.
constexpr std::size_t InsertionRun = 24;
// So few new entries are placed by binary search instead of a merge.
constexpr std::size_t FewNewEntries = 4;
// Entry indexes fit in 30 bits (a billion entries).
constexpr std::uint32_t IndexMask = (1u << 30) - 1;
}  // namespace

PaneList::PaneList(int sortSetting) : sortSetting_(sortSetting) {}

PaneList::PaneList(platform::PaneSide side) : side_(side) {}

void PaneList::TellHost(bool changedWhileVisible) const {
  if (side_ && changedWhileVisible) platform::CurrentHost().PaneChanged(*side_);
}

void PaneList::Clear() {
  bool visible;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::deque<ListingEntry>().swap(entries_);
    std::vector<std::uint32_t>().swap(order_);
    std::vector<std::uint8_t>().swap(selected_);
    orderedCount_ = 0;
    caret_.reset();
    ++revision_;
    visible = visible_;
  }
  TellHost(visible);
}

void PaneList::TakeContentsOf(PaneList& built) {
  if (&built == this) return;
  TakeContentsLocked(built);
  TellHost(true);
}

void PaneList::TakeContentsLocked(PaneList& built) {
  std::scoped_lock lock(mutex_, built.mutex_);
  built.PutInOrder();
  entries_ = std::exchange(built.entries_, {});
  order_ = std::exchange(built.order_, {});
  orderedCount_ = std::exchange(built.orderedCount_, 0);
  selected_ = std::exchange(built.selected_, {});
  caret_.reset();
  built.caret_.reset();
  sortSetting_ = built.sortSetting_;
  widestText_ = std::exchange(built.widestText_, {});
  visible_ = true;
  ++revision_;
  ++built.revision_;
}

void PaneList::Add(ListingEntry entry, WidthTracking tracking) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.size() > IndexMask) return;  // dropped, as an entry that cannot be added
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
  bool visible;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (sortSetting == sortSetting_) return;
    sortSetting_ = sortSetting;
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
    orderedCount_ = 0;
    ++revision_;
    visible = visible_;
  }
  TellHost(visible);
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
  {
    std::lock_guard<std::mutex> lock(mutex_);
    visible_ = true;
    ++revision_;
  }
  TellHost(true);
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

// A stable bottom-up merge sort. Every step is bounded by the range, so even
// a comparison that is not transitive (texts with and without information
// compared by date) yields some order, never an overrun.
template <typename Item, typename Less>
void PaneList::MergeSort(Item* data, std::size_t length, std::vector<Item>& buffer, Less before) {
  for (std::size_t runStart = 0; runStart < length; runStart += InsertionRun) {
    std::size_t runEnd = std::min(runStart + InsertionRun, length);
    for (std::size_t i = runStart + 1; i < runEnd; ++i) {
      Item moving = data[i];
      std::size_t j = i;
      for (; j > runStart && before(moving, data[j - 1]); --j) data[j] = data[j - 1];
      data[j] = moving;
    }
  }
  std::size_t widest = 0;  // the longest left run a merge copies
  for (std::size_t width = InsertionRun; width < length; width *= 2) widest = width;
  buffer.reserve(widest);
  for (std::size_t width = InsertionRun; width < length; width *= 2) {
    for (std::size_t low = 0; low + width < length; low += 2 * width) {
      std::size_t middle = low + width;
      std::size_t high = std::min(low + 2 * width, length);
      if (!before(data[middle], data[middle - 1])) continue;  // the two runs are already in order
      buffer.assign(data + low, data + middle);
      std::size_t left = 0;
      std::size_t leftEnd = middle - low;
      std::size_t right = middle;
      std::size_t out = low;
      while (left < leftEnd && right < high) {
        if (before(data[right], buffer[left])) {
          data[out++] = data[right++];
        } else {
          data[out++] = buffer[left++];
        }
      }
      while (left < leftEnd) data[out++] = buffer[left++];
    }
  }
}

namespace {
// The group an entry sorts in: ".." first, then kinds above 1 from the
// highest down (directories, links), then files of kinds 0 and 1, drives last.
std::uint32_t GroupRank(const ListingEntry& entry) {
  if (entry.Text == "..") return 0;
  if (entry.Kind == DriveKind) return 0x80000001u;
  if (entry.Kind <= AsciiFileKind) return 0x80000000u;
  return 1u + static_cast<std::uint32_t>(0x7FFFFFFF - entry.Kind);
}

// Eight characters of the display text from `from` in lower case, as one
// number that orders like the case-insensitive comparison of the texts.
std::uint64_t TextPrefixKey(std::string_view text, std::size_t from) {
  std::uint64_t key = 0;
  for (std::size_t i = from; i < from + 8; ++i) {
    unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    key = (key << 8) | c;
  }
  return key;
}
}  // namespace

// 24 bytes: the index shares its word with the shape, which tells the text the
// key holds (keys compare only between equal shapes).
struct PaneList::SortItem {
  std::uint64_t Prefix;  // characters 0-7 of the compared text
  std::uint64_t More;    // characters 8-15
  std::uint32_t Rank;
  std::uint32_t IndexAndShape;
  std::uint32_t Index() const { return IndexAndShape & IndexMask; }
  std::uint32_t Shape() const { return IndexAndShape >> 30; }
};

// Each index is sorted with its group and sixteen characters of the text its
// comparison starts with: the whole display text, or in date and size order
// the text from the separator (from the size column when it is that long),
// or for a dated entry its date and size as numbers.
// Keys that differ decide at once, so most comparisons never touch the
// entries; equal keys, and pairs whose comparison starts at different
// places, fall back to the full comparison.
void PaneList::SortByKeys() const {
  std::size_t count = order_.size();
  int mode = sortSetting_ & 7;
  bool byInformation = mode == SortByDate || mode == SortBySize;
  std::vector<SortItem> items(count);
  for (std::size_t i = 0; i < count; ++i) {
    const ListingEntry& entry = entries_[order_[i]];
    SortItem& item = items[i];
    item.Rank = GroupRank(entry);
    std::uint32_t shape = 0;
    std::size_t from = 0;
    if (byInformation && entry.Kind != DirectoryKind && entry.Kind != DriveKind) {
      std::size_t separator = entry.Text.find(InfoSeparator);
      if (separator != std::string::npos && entry.IsDated()) {
        // Date and size as numbers: the whole key, ties aside.
        std::uint64_t date = DateKey(entry);
        item.IndexAndShape = order_[i] | (3u << 30);
        item.Prefix = mode == SortByDate ? date : entry.Size;
        item.More = mode == SortByDate ? entry.Size : date;
        continue;
      }
      if (separator != std::string::npos) {
        from = separator + InfoSeparator.size();  // every separator is the same: skip it
        shape = 1;
        if (mode == SortBySize && entry.Text.size() - separator > 16) {
          from = separator + 16;
          shape = 2;
        }
      }
    }
    if (mode == SortByExtension) {
      // The extension's first eight characters, then (when the whole
      // extension fits in them) the text's first eight.
      std::string_view name = entry.Text;
      name = name.substr(0, name.find(InfoSeparator));
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
      std::size_t dot = name.rfind('.');
      std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
      item.IndexAndShape = order_[i] | ((extension.size() > 8 ? 1u : 0u) << 30);
      item.Prefix = TextPrefixKey(extension, 0);
      item.More = TextPrefixKey(entry.Text, 0);
      continue;
    }
    item.IndexAndShape = order_[i] | (shape << 30);
    bool keyed = mode != NoSort;
    item.Prefix = keyed ? TextPrefixKey(entry.Text, from) : 0;
    item.More = keyed ? TextPrefixKey(entry.Text, from + 8) : 0;
  }
  bool reverse = (sortSetting_ & SortReverse) != 0;
  std::vector<SortItem> buffer;
  MergeSort(items.data(), count, buffer, [this, mode, reverse](const SortItem& left, const SortItem& right) {
    if (left.Rank != right.Rank) return left.Rank < right.Rank;
    if (mode == NoSort) return false;
    bool decided = mode == SortByExtension
                       ? left.Prefix != right.Prefix ||
                             (left.Shape() == 0 && right.Shape() == 0 && left.More != right.More)
                       : left.Shape() == right.Shape() && (left.Prefix != right.Prefix || left.More != right.More);
    if (decided) {
      // Directories and drives keep their order when the rest is reversed.
      bool reversible = reverse && right.Rank != 0x80000001u &&
                        right.Rank != 1u + static_cast<std::uint32_t>(0x7FFFFFFF - DirectoryKind);
      bool less = left.Prefix != right.Prefix ? left.Prefix < right.Prefix : left.More < right.More;
      return reversible ? !less : less;
    }
    return Before(left.Index(), right.Index());
  });
  for (std::size_t i = 0; i < count; ++i) order_[i] = items[i].Index();
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
    // A stable sort of the ordered entries followed by the new ones puts
    // each new entry behind the older ones it ties with; the ordered part
    // costs little, as its runs need no merging.
    SortByKeys();
  }
  orderedCount_ = total;
}

PaneList& LocalPane() {
  static PaneList pane(platform::PaneSide::Local);
  return pane;
}

PaneList& RemotePane() {
  static PaneList pane(platform::PaneSide::Remote);
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
