#include "listctl/disk/icon_cache.h"

#include <QFile>
#include <QFileInfo>

namespace corvane {

namespace {

bool CarriesOwnIcon(const QString& extension) {
  return extension == u"exe" || extension == u"lnk" || extension == u"ico" || extension == u"ani" ||
         extension == u"cur";
}

QString ExtensionOf(const QByteArray& path) {
  const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
  const qsizetype dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : QFile::decodeName(name.mid(dot + 1)).toLower();
}

}  // namespace

QString IconKey(const DiskEntry& entry) {
  if (entry.drive) return u"drive:"_qs + QFile::decodeName(entry.path);
  if (entry.folder) return QStringLiteral("folder");
  const QString extension = ExtensionOf(entry.path);
  if (CarriesOwnIcon(extension)) return {};
  return extension.isEmpty() ? QStringLiteral("default") : u"."_qs + extension;
}

QPixmap IconCache::Icon(const DiskEntry& entry, int size, qreal ratio) {
  const QString key = IconKey(entry);
  if (key.isEmpty()) return LookUp(entry, size, ratio);
  // An icon may lack a source as large as asked for, and then comes at a
  // smaller ratio: the ratio asked for is part of the key.
  const QString keyAt = key + u'@' + QString::number(ratio);
  auto it = icons_.constFind(keyAt);
  if (it == icons_.constEnd()) it = icons_.insert(keyAt, LookUp(entry, size, ratio));
  return *it;
}

// The provider sees the path only where its text names the same bytes; a
// name that is not UTF-8 would name another file, and gets the plain icon
// of its kind instead.
QPixmap IconCache::LookUp(const DiskEntry& entry, int size, qreal ratio) const {
  const int pixels = size == 0 ? 16 : 32;
  QIcon icon;
  if (entry.drive) {
    icon = provider_.icon(QFileIconProvider::Drive);
  } else if (entry.folder) {
    icon = provider_.icon(QFileIconProvider::Folder);
  } else {
    const QString path = QFile::decodeName(entry.path);
    icon = QFile::encodeName(path) == entry.path ? provider_.icon(QFileInfo(path))
                                                 : provider_.icon(QFileIconProvider::File);
  }
  return icon.pixmap(QSize(pixels, pixels), ratio);
}

}  // namespace corvane
