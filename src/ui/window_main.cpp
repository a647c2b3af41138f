#include "ui/window_main.h"

#include <QApplication>
#include <QIcon>
#include <iostream>

#include "core/settings_store.h"
#include "ui/system_tray_icon.h"
#include "ui/window_front_end.h"
#include "ui/window_platform.h"

namespace corvane {
namespace {

QIcon CorvaneIcon() {
  QIcon icon;
  for (const char* size : {"16", "32", "48", "256"}) {
    icon.addFile(QStringLiteral(":/icons/corvane-%1.png").arg(QLatin1String(size)));
  }
  return icon;
}

}  // namespace

std::string WindowPlatformsFor(const CommandLineSwitches& commandLine) {
  if (commandLine.IsSet("/Console")) return "";
  const DisplayEnvironment environment = ReadDisplayEnvironment();
  const std::string reason = ConsoleModeReason(environment);
  if (!reason.empty()) std::cerr << "corvane: " << reason << '\n';
  return WindowPlatforms(environment);
}

int RunWindowFrontEnd(int& argc, char** argv, const std::string& platforms,
                      CommandLineSwitches commandLine) {
  // The choice is for this process only: the commands it starts inherit the
  // environment the user gave it.
  const bool platformWasSet = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
  qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platforms));
  QApplication app(argc, argv);
  if (!platformWasSet) qunsetenv("QT_QPA_PLATFORM");
  SetApplicationNames();
  // Hidden in the tray, the daemon goes on without any window open.
  QApplication::setQuitOnLastWindowClosed(false);
  const QIcon icon = CorvaneIcon();
  QApplication::setWindowIcon(icon);

  WindowFrontEnd frontEnd(std::move(commandLine), std::make_unique<SystemTrayIcon>(icon));
  frontEnd.Start();
  return QApplication::exec();
}

}  // namespace corvane
