#pragma once

#include <memory>

#include "core/clock.h"
#include "startup/command_line.h"
#include "startup/daemon_app.h"
#include "ui/daemon_app_steering.h"
#include "ui/desktop_integration.h"
#include "ui/exit_guard.h"
#include "ui/main_window.h"
#include "ui/window_place_watch.h"

namespace corvane {

class TrayIconHost;

// The daemon with its window and tray icon, wired together. Needs a
// QApplication.
class WindowFrontEnd {
 public:
  WindowFrontEnd(CommandLineSwitches commandLine, std::unique_ptr<TrayIconHost> tray);

  // The start-up sequence, ending with the window shown or hidden into the
  // tray. The daemon then runs in the event loop until it ends it, or until
  // the display goes away: the process then ends at once, with the closing
  // line logged and the window's place saved.
  void Start();

  MainWindow& window() { return window_; }
  DesktopIntegration& desktop() { return desktop_; }
  DaemonApp& daemon() { return daemon_; }

 private:
  void Connect();

  const SystemClock clock_;
  MainWindow window_;
  // The window's settings are read and saved with the daemon's.
  DaemonApp daemon_;
  DaemonAppSteering steering_;
  DesktopIntegration desktop_;
  WindowPlaceWatch placeWatch_;
  bool startHidden_ = true;  // as stored
  std::unique_ptr<ExitGuard> displayLoss_;
};

}  // namespace corvane
