#include "listctl/icon_cache.h"

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

QPixmap IconCache::Icon(const DiskEntry& entry, int size) {
  const QString key = IconKey(entry);
  if (key.isEmpty()) return LookUp(entry, size);
  auto it = icons_.constFind(key);
  if (it == icons_.constEnd()) it = icons_.insert(key, LookUp(entry, size));
  return *it;
}

// The provider sees the path only where its text names the same bytes; a
// name that is not UTF-8 would name another file, and gets the plain icon
// of its kind instead.
QPixmap IconCache::LookUp(const DiskEntry& entry, int size) const {
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
  return icon.pixmap(pixels, pixels);
}

}  // namespace corvane
