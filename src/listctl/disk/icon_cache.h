#pragma once

// The icons of the directory modes: looked up only for rows that are drawn,
// and kept per kind of entry, so that a folder of many files costs a
// handful of look-ups.

#include <QFileIconProvider>
#include <QHash>
#include <QPixmap>
#include <QString>

#include "listctl/item_store.h"

namespace corvane {

// What icons are shared by: a drive by its path, a folder by "folder", a file
// by its extension in lower case, a file without one by "default". Files
// that carry their own icon ("exe", "lnk", "ico", "ani", "cur") by nothing:
// they are looked up each time (empty key).
QString IconKey(const DiskEntry& entry);

class IconCache {
 public:
  // size 0: small icons (16 pixels), any other: large ones (32 pixels), in
  // logical pixels: the pixmap holds ratio times as many device pixels, from
  // the icon's best source for them.
  QPixmap Icon(const DiskEntry& entry, int size, qreal ratio);
  void Clear() { icons_.clear(); }

 private:
  QPixmap LookUp(const DiskEntry& entry, int size, qreal ratio) const;

  QHash<QString, QPixmap> icons_;
  QFileIconProvider provider_;
};

}  // namespace corvane
