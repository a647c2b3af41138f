#include "listctl/item_store.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace corvane {

ItemText::ItemText(QStringView text) {
  if (text.isEmpty()) return;
  const auto length = static_cast<std::uint32_t>(text.size());
  block_ = std::make_unique_for_overwrite<char16_t[]>(2 + static_cast<std::size_t>(length));
  block_[0] = static_cast<char16_t>(length & 0xFFFF);
  block_[1] = static_cast<char16_t>(length >> 16);
  std::copy(text.utf16(), text.utf16() + length, block_.get() + 2);
}

QStringView ItemText::View() const {
  if (!block_) return {};
  const std::uint32_t length = block_[0] | (std::uint32_t{block_[1]} << 16);
  return QStringView(block_.get() + 2, static_cast<qsizetype>(length));
}

namespace {

// What the items were compared by when they were stored as one joined
// record: text, icon number and bold flag, separated by "<%S%>". Comparing
// that string keeps the order of items whose texts differ only after a
// common prefix.
QString SortKey(const ListItem& item) {
  static const QString kSeparator = QStringLiteral("<%S%>");
  return item.text.ToString() + kSeparator + QString::number(item.icon) + kSeparator +
         (item.bold ? QStringLiteral("True") : QStringLiteral("False"));
}

}  // namespace

void ItemStore::Insert(int index, ListItem item) {
  if (index == -1) {
    items_.push_back(std::move(item));
  } else {
    items_.insert(items_.begin() + index, std::move(item));
  }
}

void ItemStore::Remove(int index) { items_.erase(items_.begin() + index); }

void ItemStore::InsertAll(int index, std::vector<ListItem> items) {
  items_.insert(items_.begin() + index, std::make_move_iterator(items.begin()),
                std::make_move_iterator(items.end()));
}

void ItemStore::RemoveRange(int first, int count) {
  items_.erase(items_.begin() + first, items_.begin() + first + count);
}

void ItemStore::RemoveFirst(int count) {
  const auto n = static_cast<std::size_t>(std::clamp(count, 0, Count()));
  items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(n));
}

void ItemStore::Sort(Sorting order) {
  if (order == Sorting::None) return;
  std::vector<QString> keys;
  keys.reserve(items_.size());
  for (const ListItem& item : items_) keys.push_back(SortKey(item));
  std::vector<std::size_t> permutation(items_.size());
  std::iota(permutation.begin(), permutation.end(), std::size_t{0});
  std::stable_sort(permutation.begin(), permutation.end(), [&](std::size_t a, std::size_t b) {
    const int c = keys[a].compare(keys[b], Qt::CaseInsensitive);
    return order == Sorting::Ascending ? c < 0 : c > 0;
  });
  std::deque<ListItem> sorted;
  for (std::size_t i : permutation) sorted.push_back(std::move(items_[i]));
  items_.swap(sorted);
}

}  // namespace corvane
