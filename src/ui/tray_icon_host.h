#pragma once

#include <QString>
#include <functional>

#include "core/hosts/desktop_host.h"

class QMenu;

namespace corvane {

// The mouse action on the tray icon that the window reacts to; the number is
// the one the tray's event has always carried. The menu is opened by the
// tray itself (SetMenu).
namespace TrayMouse {
inline constexpr int DoubleClick = 515;
}  // namespace TrayMouse

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

  // Receives TrayMouse values; set by the owner of the icon.
  std::function<void(int mouseEvent)> onMouseEvent;
};

}  // namespace corvane
