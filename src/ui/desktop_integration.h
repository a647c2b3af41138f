#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "core/log_level.h"
#include "ui/tray_icon_host.h"
#include "ui/tray_menu.h"

namespace corvane {

class DaemonSteering;
class MainWindow;

// Ties the main window to the notification area: the close box hides the
// window into the tray, the icon brings it back and carries the menu, and
// warnings reach the user as balloons while the window is hidden. Where the
// desktop has no notification area the window is minimised instead of
// hidden, so that it can always be reached again.
class DesktopIntegration final : public QObject {
  Q_OBJECT

 public:
  DesktopIntegration(MainWindow& window, std::unique_ptr<TrayIconHost> tray,
                     DaemonSteering& daemon);
  ~DesktopIntegration() override;

  // Shows a balloon at the tray icon, unless the window is visible; false
  // when it was not shown.
  bool ShowBalloonTip(const std::string& text, int durationMs, BalloonType type);
  // A warning or an error of the log, for five seconds.
  void ShowLogBalloon(const std::string& line, LogLevel level);

  // The window caption and the tray tooltip.
  void SetCaption(const std::string& caption);

  // The end of start-up: the window shown with the focus on its input line,
  // or hidden into the tray with the "is loaded" balloon.
  void FinishStartup(bool startHidden);
  // Hides into the tray (the close box).
  void HideToTray();
  // Shows the window and removes the icon (double click or activation,
  // menu).
  void ShowFromTray();
  // The orderly stop has begun: the window goes, the icon stays until the
  // end.
  void OnQuitting();
  // A window minimised for want of a notification area goes into the tray
  // once one is there (a panel that starts after Corvane); asked every two
  // seconds while it waits.
  void RecheckTray();

  TrayMenu& menu() { return menu_; }
  const std::string& caption() const { return caption_; }

 private:
  MainWindow& window_;
  std::unique_ptr<TrayIconHost> tray_;
  DaemonSteering& daemon_;
  TrayMenu menu_;
  QTimer trayRecheck_;
  std::string caption_ = "Corvane";
};

}  // namespace corvane
