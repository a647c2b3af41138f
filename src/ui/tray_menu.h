#pragma once

#include <QMenu>
#include <string>

namespace corvane {

class DaemonSteering;

// The captions of the tray menu at one moment.
struct TrayMenuCaptions {
  std::string title;
  std::string show;
  std::string pauseResume;
  std::string runNow;
  std::string exit;
};

// The captions for the daemon's state now; `windowCaption` becomes the
// title.
TrayMenuCaptions MenuCaptions(const DaemonSteering& daemon, const std::string& windowCaption);

// The tray's popup menu: title (the default item, inert), show, pause or
// resume, check now, exit. Its items call the daemon; showing the window is
// left to the owner through `onShow`.
class TrayMenu {
 public:
  explicit TrayMenu(DaemonSteering& daemon);

  // Refreshes every caption from the daemon's state, so that the menu
  // tells the state and name of that moment and the language now loaded.
  void Refresh(const std::string& windowCaption);

  QMenu& menu() { return menu_; }
  QAction* title() const { return title_; }
  QAction* show() const { return show_; }
  QAction* pauseResume() const { return pauseResume_; }
  QAction* runNow() const { return runNow_; }
  QAction* exit() const { return exit_; }

  std::function<void()> onShow;

 private:
  DaemonSteering& daemon_;
  QMenu menu_;
  QAction* title_;
  QAction* show_;
  QAction* pauseResume_;
  QAction* runNow_;
  QAction* exit_;
};

}  // namespace corvane
