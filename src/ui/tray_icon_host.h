#pragma once

#include <QString>
#include <functional>

class QMenu;

namespace corvane {

// Balloon kinds; the numbers are the log levels that choose them.
enum class BalloonType { None = 0, Information = 1, Warning = 2, Error = 3 };

// The notification-area icon, as the window uses it. The icon is shown only
// between AddIcon and RemoveIcon; the tooltip may be set at any time and is
// kept for the next AddIcon.
class TrayIconHost {
 public:
  virtual ~TrayIconHost() = default;
  // False where the desktop has no notification area: an icon added there
  // could never be seen or clicked.
  virtual bool IsAvailable() const = 0;
  virtual void AddIcon(const QString& toolTip) = 0;
  // Harmless when no icon is shown.
  virtual void RemoveIcon() = 0;
  virtual void SetToolTip(const QString& toolTip) = 0;
  // The menu a right click on the icon opens; it must outlive the icon.
  virtual void SetMenu(QMenu& menu) = 0;
  virtual void ShowBalloon(BalloonType kind, const QString& text, const QString& title,
                           int durationMs) = 0;

  // The icon was double-clicked (or activated, on a StatusNotifier panel);
  // set by the owner of the icon. The menu is opened by the tray itself.
  std::function<void()> onActivated;
};

}  // namespace corvane
