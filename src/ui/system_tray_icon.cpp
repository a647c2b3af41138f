#include "ui/system_tray_icon.h"

namespace corvane {
namespace {

QSystemTrayIcon::MessageIcon MessageIconFor(BalloonType kind) {
  switch (kind) {
    case BalloonType::Information: return QSystemTrayIcon::Information;
    case BalloonType::Warning: return QSystemTrayIcon::Warning;
    case BalloonType::Error: return QSystemTrayIcon::Critical;
    case BalloonType::None: break;
  }
  return QSystemTrayIcon::NoIcon;
}

}  // namespace

SystemTrayIcon::SystemTrayIcon(const QIcon& icon) : icon_(icon) {
  QObject::connect(&icon_, &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(reason); });
}

bool SystemTrayIcon::IsAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void SystemTrayIcon::AddIcon(const QString& toolTip) {
  icon_.setToolTip(toolTip);
  icon_.show();
}

void SystemTrayIcon::RemoveIcon() { icon_.hide(); }

void SystemTrayIcon::SetToolTip(const QString& toolTip) { icon_.setToolTip(toolTip); }

void SystemTrayIcon::ShowBalloon(BalloonType kind, const QString& text, const QString& title,
                                 int durationMs) {
  if (icon_.isVisible()) icon_.showMessage(title, text, MessageIconFor(kind), durationMs);
}

// The menu is opened by the window itself (its captions are refreshed
// first), so no context menu is attached to the icon.
void SystemTrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  if (!onMouseEvent) return;
  if (reason == QSystemTrayIcon::DoubleClick) onMouseEvent(TrayMouse::DoubleClick);
  if (reason == QSystemTrayIcon::Context) onMouseEvent(TrayMouse::ContextMenu);
}

}  // namespace corvane
