#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <memory>

#include "ui/tray_icon_host.h"

namespace corvane {

// The tray icon through the desktop's notification area: a StatusNotifier
// host (xfce4-panel, KDE, Wayland panels) over D-Bus, or an XEmbed tray
// such as trayer.
//
// Qt decides once per process, when it makes its first tray icon, whether
// icons go to a StatusNotifier host; so the icon is made only when it is
// first shown, and Qt is not asked before a tray of either kind is there. A
// panel that starts after Corvane thus still gets the icon.
class SystemTrayIcon final : public TrayIconHost {
 public:
  explicit SystemTrayIcon(const QIcon& icon);
  ~SystemTrayIcon() override;

  bool IsAvailable() const override;
  void AddIcon(const QString& toolTip) override;
  void RemoveIcon() override;
  void SetToolTip(const QString& toolTip) override;
  void SetMenu(QMenu& menu) override;
  void ShowBalloon(BalloonType kind, const QString& text, const QString& title,
                   int durationMs) override;

 private:
  void OnActivated(QSystemTrayIcon::ActivationReason reason);

  QIcon image_;
  QString toolTip_;
  QMenu* menu_ = nullptr;
  std::unique_ptr<QSystemTrayIcon> icon_;  // made by the first AddIcon
};

}  // namespace corvane
