#pragma once

// The items of the list control: text, icon number and bold flag kept as
// three fields, so that no text can be mistaken for a field separator.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace corvane {

// An item's text in one heap block, its length in front of its UTF-16 code
// units: a log view holds up to millions of them, and a QString would cost
// half as much again for its header and a separate length field.
class ItemText {
 public:
  ItemText() = default;
  ItemText(QStringView text);  // NOLINT(google-explicit-constructor): texts convert freely
  ItemText(const QString& text) : ItemText(QStringView(text)) {}
  ItemText(const char16_t* text) : ItemText(QStringView(text)) {}
  ItemText(const ItemText& other) : ItemText(other.View()) {}
  ItemText(ItemText&&) noexcept = default;
  ItemText& operator=(const ItemText& other) { return *this = ItemText(other); }
  ItemText& operator=(ItemText&&) noexcept = default;

  QStringView View() const;
  QString ToString() const { return View().toString(); }

 private:
  std::unique_ptr<char16_t[]> block_;  // length (two units), then the text
};

// Where a listed entry lives, for the directory and drive modes. The path
// keeps the name's bytes as the file system has them, while the item's text
// shows them decoded (bytes that are not UTF-8 as replacement characters).
struct DiskEntry {
  QByteArray path;
  int depth = 0;  // tree level below its drive; 0 for a drive or a flat entry
  bool drive = false;
  bool folder = false;
};

struct ListItem {
  ItemText text;
  std::int32_t icon = -1;  // index into the image list; -1 = no icon
  bool bold = false;
  std::unique_ptr<DiskEntry> disk;  // only in the directory modes
};

// SortOrder; stored as its number.
enum class Sorting : std::int32_t { Ascending = -1, None = 0, Descending = 1 };

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
  // Inserts the items before item `index` (index Count() appends).
  void InsertAll(int index, std::vector<ListItem> items);
  // Removes `count` items from item `first` on.
  void RemoveRange(int first, int count);
  // Drops items 0..count-1 (count is clamped to the number of items).
  void RemoveFirst(int count);
  void Clear() { std::deque<ListItem>().swap(items_); }

  // Stable sort by the item's whole record compared without regard to case,
  // text first; None leaves the items as they are.
  void Sort(Sorting order);

 private:
  std::deque<ListItem> items_;
};

}  // namespace corvane
