#pragma once

// The items of the list control: text, icon number and bold flag kept as
// three fields, so that no text can be mistaken for a field separator.

#include <QString>
#include <cstddef>
#include <deque>

namespace corvane {

struct ListItem {
  QString text;
  int icon = -1;  // index into the image list; -1 = no icon
  bool bold = false;
};

// A deque: the log view appends at the end and drops its oldest lines at
// the front, both without moving the other items.
class ItemStore {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Contains(int index) const { return index >= 0 && index < Count(); }
  const ListItem& At(int index) const { return items_[static_cast<std::size_t>(index)]; }
  ListItem& At(int index) { return items_[static_cast<std::size_t>(index)]; }

  // index -1 appends; otherwise the item is inserted before item `index`.
  void Insert(int index, ListItem item);
  void Remove(int index);
  // Drops items 0..count-1 (count is clamped to the number of items).
  void RemoveFirst(int count);
  void Clear() { std::deque<ListItem>().swap(items_); }

  // Stable sort by the item's whole record compared without regard to case,
  // text first: -1 ascending, 1 descending, any other order leaves the
  // items as they are.
  void Sort(int order);

 private:
  std::deque<ListItem> items_;
};

}  // namespace corvane
