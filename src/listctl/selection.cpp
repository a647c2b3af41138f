#include "listctl/selection.h"

#include <algorithm>

namespace corvane {

bool Selection::Add(int index) {
  if (members_.contains(index)) return false;
  members_.insert(index);
  order_.push_back(index);
  return true;
}

bool Selection::Remove(int index) {
  if (!members_.remove(index)) return false;
  order_.erase(std::find(order_.begin(), order_.end(), index));
  return true;
}

void Selection::Reset() {
  order_.clear();
  members_.clear();
}

void Selection::SortAscending() { std::sort(order_.begin(), order_.end()); }

void Selection::DropFirst(int count) {
  if (count <= 0 || order_.empty()) return;
  std::vector<int> kept;
  for (int index : order_) {
    if (index >= count) kept.push_back(index - count);
  }
  Reset();
  for (int index : kept) Add(index);
}

}  // namespace corvane
