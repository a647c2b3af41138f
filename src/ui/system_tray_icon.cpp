#include "ui/system_tray_icon.h"

#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <cstdlib>

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

// Whether an XEmbed tray owns the tray selection of the X server's first
// screen: what Qt looks for where no StatusNotifier host is registered.
bool XEmbedTrayRunning() {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11) return false;
  xcb_connection_t* connection = x11->connection();
  static constexpr char kSelection[] = "_NET_SYSTEM_TRAY_S0";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, sizeof kSelection - 1, kSelection), nullptr);
  xcb_get_selection_owner_reply_t* owner =
      atom && atom->atom != XCB_ATOM_NONE
          ? xcb_get_selection_owner_reply(connection,
                                          xcb_get_selection_owner(connection, atom->atom), nullptr)
          : nullptr;
  const bool running = owner && owner->owner != XCB_NONE;
  std::free(owner);
  std::free(atom);
  return running;
}

}  // namespace

SystemTrayIcon::SystemTrayIcon(const QIcon& icon) : image_(icon) {}

SystemTrayIcon::~SystemTrayIcon() = default;

bool SystemTrayIcon::IsAvailable() const {
  // Asking Qt fixes its choice, also when there is no tray at all: Qt is
  // asked only once there is one.
  if (!icon_ && !StatusNotifierHostRegistered() && !XEmbedTrayRunning()) return false;
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
  if (onActivated && (reason == QSystemTrayIcon::DoubleClick || activation)) onActivated();
}

}  // namespace corvane
