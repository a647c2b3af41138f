#include "ui/system_tray_icon.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>

namespace corvane {
namespace {

// A bus that does not answer within this time has no host for us.
constexpr int kBusTimeoutMs = 500;

QSystemTrayIcon::MessageIcon MessageIconFor(BalloonType kind) {
  switch (kind) {
    case BalloonType::Information: return QSystemTrayIcon::Information;
    case BalloonType::Warning: return QSystemTrayIcon::Warning;
    case BalloonType::Error: return QSystemTrayIcon::Critical;
    case BalloonType::None: break;
  }
  return QSystemTrayIcon::NoIcon;
}

// Whether a StatusNotifier host has registered with the session bus's
// watcher: what Qt asks when it makes its first icon.
bool StatusNotifierHostRegistered() {
  const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
  QDBusMessage get = QDBusMessage::createMethodCall(
      watcher, QStringLiteral("/StatusNotifierWatcher"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
  const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, kBusTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
         reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

}  // namespace

SystemTrayIcon::SystemTrayIcon(const QIcon& icon) : image_(icon) {}

SystemTrayIcon::~SystemTrayIcon() = default;

bool SystemTrayIcon::IsAvailable() const {
  // Asking Qt fixes its choice; outside X11 there is no tray but a
  // StatusNotifier host, so Qt is asked only once one is there.
  if (!icon_ && QGuiApplication::platformName() != QLatin1String("xcb") &&
      !StatusNotifierHostRegistered())
    return false;
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::AddIcon(const QString& toolTip) {
  toolTip_ = toolTip;
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>(image_);
    if (menu_) icon_->setContextMenu(menu_);
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(reason); });
  }
  icon_->setToolTip(toolTip_);
  icon_->show();
}

void SystemTrayIcon::RemoveIcon() {
  if (icon_) icon_->hide();
}

void SystemTrayIcon::SetToolTip(const QString& toolTip) {
  toolTip_ = toolTip;
  if (icon_) icon_->setToolTip(toolTip);
}

// As the icon's context menu, Qt opens the menu on a right click on an
// XEmbed tray and exports it to StatusNotifier hosts, which show it
// themselves.
void SystemTrayIcon::SetMenu(QMenu& menu) {
  menu_ = &menu;
  if (icon_) icon_->setContextMenu(menu_);
}

void SystemTrayIcon::ShowBalloon(BalloonType kind, const QString& text, const QString& title,
                                 int durationMs) {
  if (icon_ && icon_->isVisible())
    icon_->showMessage(title, text, MessageIconFor(kind), durationMs);
}

// An XEmbed tray reports every press of the left button as a trigger and a
// double click besides; only the double click shows the window there. A
// StatusNotifier host draws the icon itself (Qt has no geometry for it) and
// reports a click, single or double, as one activation: that shows it.
void SystemTrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  const bool activation =
      reason == QSystemTrayIcon::Trigger && icon_ && icon_->geometry().isEmpty();
  if (onMouseEvent && (reason == QSystemTrayIcon::DoubleClick || activation))
    onMouseEvent(TrayMouse::DoubleClick);
}

}  // namespace corvane
