#include "ui/window_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <cstdlib>

namespace corvane {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Qt looks in its own plugin folder and in those of QT_PLUGIN_PATH.
bool PlatformPluginInstalled(const QString& fileFilter) {
  QStringList roots = QString::fromStdString(Env("QT_PLUGIN_PATH")).split(':', Qt::SkipEmptyParts);
  roots.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
  for (const QString& root : roots) {
    if (!QDir(root + "/platforms").entryList({fileFilter}, QDir::Files).isEmpty()) return true;
  }
  return false;
}

// ":0", ":0.1" and "unix:0" are the local socket of display 0; a display on
// another host is taken as there.
bool X11DisplayThere(const std::string& display) {
  if (display.empty()) return false;
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;
  const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
  return QFileInfo::exists(QString::fromStdString("/tmp/.X11-unix/X" + number));
}

// WAYLAND_DISPLAY names a socket in XDG_RUNTIME_DIR, or gives its path.
bool WaylandDisplayThere(const std::string& display) {
  if (display.empty()) return false;
  const std::string path =
      display.starts_with('/') ? display : Env("XDG_RUNTIME_DIR") + "/" + display;
  return QFileInfo::exists(QString::fromStdString(path));
}

bool IsOffScreen(const std::string& platform) {
  return platform.starts_with("offscreen") || platform.starts_with("minimal");
}

}  // namespace

DisplayEnvironment ReadDisplayEnvironment() {
  DisplayEnvironment environment;
  environment.forcedPlatform = Env("QT_QPA_PLATFORM");
  environment.displayNamed = !Env("DISPLAY").empty() || !Env("WAYLAND_DISPLAY").empty();
  environment.x11Display = X11DisplayThere(Env("DISPLAY"));
  environment.waylandDisplay = WaylandDisplayThere(Env("WAYLAND_DISPLAY"));
  environment.x11Plugin = PlatformPluginInstalled("libqxcb.so");
  environment.waylandPlugin = PlatformPluginInstalled("libqwayland-*.so");
  return environment;
}

std::string WindowPlatforms(const DisplayEnvironment& environment) {
  if (!environment.forcedPlatform.empty()) {
    return IsOffScreen(environment.forcedPlatform) ? "" : environment.forcedPlatform;
  }
  std::string platforms;
  if (environment.waylandDisplay && environment.waylandPlugin) platforms = "wayland";
  if (environment.x11Display && environment.x11Plugin) {
    platforms += platforms.empty() ? "xcb" : ";xcb";
  }
  return platforms;
}

std::string ConsoleModeReason(const DisplayEnvironment& environment) {
  if (!environment.forcedPlatform.empty() || !WindowPlatforms(environment).empty()) return "";
  if (environment.x11Display) {
    return "no Qt platform for X11 is installed (package qt6-qpa-plugins): running in console mode";
  }
  if (environment.waylandDisplay) {
    return "no Qt platform for Wayland is installed (package qt6-wayland): running in console mode";
  }
  if (environment.displayNamed) {
    return "the display that DISPLAY or WAYLAND_DISPLAY names is not there: running in console "
           "mode";
  }
  return "";
}

}  // namespace corvane
