#include "core/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

namespace corvane {

void SetApplicationNames() {
  QCoreApplication::setOrganizationName(kOrganizationName);
  QCoreApplication::setApplicationName(kApplicationName);
}

QSettings OpenSettingsStore() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, kOrganizationName, kApplicationName);
}

std::optional<std::string> StoredText(const QSettings& store, const char* key) {
  const QVariant value = store.value(key);
  if (!value.isValid()) return std::nullopt;
  if (value.typeId() == QMetaType::QStringList) {
    return value.toStringList().join(',').toStdString();
  }
  return value.toString().toStdString();
}

std::string CacheDirectory() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  QDir().mkpath(dir);
  return dir.toStdString();
}

}  // namespace corvane
