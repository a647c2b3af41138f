#include "update/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QUrl>

namespace corvane {

bool ShellExec(const std::string& file, ShellVerb verb, const std::string& directory) {
  if (verb != ShellVerb::Default && verb != ShellVerb::Open && verb != ShellVerb::Explore) {
    return false;
  }
  if (file.empty()) return false;
  // openUrl needs a graphical application object; asking without one only
  // prints a warning, so say no at once.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;
  const QString base = directory.empty() ? QDir::currentPath() : QString::fromStdString(directory);
  const QUrl url = QUrl::fromUserInput(QString::fromStdString(file), base, QUrl::AssumeLocalFile);
  return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace corvane
