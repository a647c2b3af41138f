#pragma once

// The selected item indexes, each at most once, in the order they were
// added. Membership is answered from a hash set, so drawing a page of rows
// of a fully selected million-item list stays cheap.

#include <QSet>
#include <vector>

namespace corvane {

class Selection {
 public:
  int Count() const { return static_cast<int>(order_.size()); }
  bool Contains(int index) const { return members_.contains(index); }
  // The k-th entry (0-based); the caller checks 0 <= k < Count().
  int At(int k) const { return order_[static_cast<std::size_t>(k)]; }

  // Adds at the end; false when it was already there.
  bool Add(int index);
  // false when it was not selected.
  bool Remove(int index);
  void Reset();
  void SortAscending();
  // Items 0..count-1 were dropped: their entries go, the others move down.
  void DropFirst(int count);

 private:
  std::vector<int> order_;
  QSet<int> members_;
};

}  // namespace corvane
