#include "update/update_url.h"

#include <QSettings>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QtGlobal>

namespace corvane {

std::string ConfiguredUpdateUrl() {
  const QString fromEnvironment = qEnvironmentVariable("CORVANE_UPDATE_URL").trimmed();
  if (!fromEnvironment.isEmpty()) return fromEnvironment.toStdString();
  const QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Talvex", "Corvane");
  const QVariant value = settings.value("Update.Url");
  // An unquoted comma in a hand-edited INI file turns the value into a list.
  const QString text =
      value.typeId() == QMetaType::QStringList ? value.toStringList().join(',') : value.toString();
  return text.trimmed().toStdString();
}

std::string VersionFileUrl(const std::string& sConfigured) {
  QString text = QString::fromStdString(sConfigured).trimmed();
  if (text.isEmpty()) return {};
  if (!text.contains("://")) text.prepend("http://");
  QUrl url(text, QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty()) return {};
  if (url.scheme() != "http" && url.scheme() != "https") return {};
  QString path = url.path();
  if (path.isEmpty() || path.endsWith('/')) {
    if (path.endsWith('/')) path.chop(1);
    url.setPath(path + kVersionFilePath);
  }
  return url.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace corvane
