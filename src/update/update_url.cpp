#include "update/update_url.h"

#include <QUrl>
#include <QtGlobal>

#include "core/settings_store.h"

namespace corvane {

std::string ConfiguredUpdateUrl() {
  const QString fromEnvironment = qEnvironmentVariable("CORVANE_UPDATE_URL").trimmed();
  if (!fromEnvironment.isEmpty()) return fromEnvironment.toStdString();
  const std::string stored = StoredText(OpenSettingsStore(), "Update.Url").value_or("");
  return QString::fromStdString(stored).trimmed().toStdString();
}

std::string VersionFileUrl(const std::string& configured) {
  QString text = QString::fromStdString(configured).trimmed();
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
