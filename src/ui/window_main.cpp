#include "ui/window_main.h"

#include <QApplication>
#include <QIcon>
#include <cstdlib>

#include "ui/system_tray_icon.h"
#include "ui/window_front_end.h"

namespace corvane {
namespace {

bool HasEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

QIcon CorvaneIcon() {
  QIcon icon;
  for (const char* size : {"16", "32", "48", "256"}) {
    icon.addFile(QStringLiteral(":/icons/corvane-%1.png").arg(QLatin1String(size)));
  }
  return icon;
}

}  // namespace

// A Qt platform named explicitly wins over the display variables; the
// off-screen platforms show nobody a window, so they mean console mode.
bool WantsWindow(const CommandLineSwitches& commandLine) {
  if (commandLine.GetCmdParam("/Console", false) == "1") return false;
  if (HasEnv("QT_QPA_PLATFORM")) {
    const std::string platform = std::getenv("QT_QPA_PLATFORM");
    return platform.rfind("offscreen", 0) != 0 && platform.rfind("minimal", 0) != 0;
  }
  return HasEnv("DISPLAY") || HasEnv("WAYLAND_DISPLAY");
}

int RunWindowFrontEnd(int& argc, char** argv, CommandLineSwitches commandLine) {
  QApplication app(argc, argv);
  // Names the per-user cache directory (~/.cache/Talvex/Corvane).
  QCoreApplication::setOrganizationName("Talvex");
  QCoreApplication::setApplicationName("Corvane");
  // Hidden in the tray, the daemon goes on without any window open.
  QApplication::setQuitOnLastWindowClosed(false);
  const QIcon icon = CorvaneIcon();
  QApplication::setWindowIcon(icon);

  WindowFrontEnd frontEnd(std::move(commandLine), std::make_unique<SystemTrayIcon>(icon));
  frontEnd.Start();
  return QApplication::exec();
}

}  // namespace corvane
