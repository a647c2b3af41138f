#pragma once

#include <QSystemTrayIcon>

#include "ui/tray_icon_host.h"

namespace corvane {

// The tray icon through the desktop's notification area (a StatusNotifier
// host or an XEmbed tray such as trayer).
class SystemTrayIcon final : public TrayIconHost {
 public:
  explicit SystemTrayIcon(const QIcon& icon);

  bool IsAvailable() const override;
  void AddIcon(const QString& toolTip) override;
  void RemoveIcon() override;
  void SetToolTip(const QString& toolTip) override;
  void ShowBalloon(BalloonType kind, const QString& text, const QString& title,
                   int durationMs) override;

 private:
  void OnActivated(QSystemTrayIcon::ActivationReason reason);

  QSystemTrayIcon icon_;
};

}  // namespace corvane
