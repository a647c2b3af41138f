#include "update/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QUrl>

namespace corvane {

std::string ShellVerbName(std::int32_t lVerb) {
  switch (lVerb) {
    case 1: return "open";
    case 2: return "explore";
    case 3: return "find";
    case 4: return "print";
    case 5: return "edit";
    default: return "";
  }
}

bool ShellExec(const std::string& sFile, std::int32_t lVerb,
               [[maybe_unused]] const std::string& sParameters, const std::string& sDirectory,
               [[maybe_unused]] std::int32_t iShow) {
  const std::string verb = ShellVerbName(lVerb);
  if (verb != "" && verb != "open" && verb != "explore") return false;
  if (sFile.empty()) return false;
  // openUrl needs a graphical application object; asking without one only
  // prints a warning, so say no at once.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;
  const QString directory =
      sDirectory.empty() ? QDir::currentPath() : QString::fromStdString(sDirectory);
  const QUrl url =
      QUrl::fromUserInput(QString::fromStdString(sFile), directory, QUrl::AssumeLocalFile);
  return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace corvane
