#include "ui/desktop_integration.h"

#include "core/format_msg.h"
#include "ui/daemon_steering.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

constexpr int kBalloonMs = 5000;
constexpr int kTrayRecheckMs = 2000;

}  // namespace

DesktopIntegration::DesktopIntegration(MainWindow& window, std::unique_ptr<TrayIconHost> tray,
                                       DaemonSteering& daemon)
    : window_(window), tray_(std::move(tray)), daemon_(daemon), menu_(daemon) {
  tray_->onActivated = [this] { ShowFromTray(); };
  tray_->SetMenu(menu_.menu());
  // A StatusNotifier host shows its copy of the menu, and may not say when:
  // the captions follow every change of the caption, and the language when
  // the menu opens.
  connect(&menu_.menu(), &QMenu::aboutToShow, this, [this] { menu_.Refresh(caption_); });
  menu_.onShow = [this] { ShowFromTray(); };
  trayRecheck_.setInterval(kTrayRecheckMs);
  connect(&trayRecheck_, &QTimer::timeout, this, &DesktopIntegration::RecheckTray);
  window_.onCloseBox = [this] { HideToTray(); };
  window_.onCommand = [this](const std::string& line) { daemon_.ProcessCommand(line); };
}

DesktopIntegration::~DesktopIntegration() {
  tray_->RemoveIcon();
  window_.onCloseBox = nullptr;
  window_.onCommand = nullptr;
}

bool DesktopIntegration::ShowBalloonTip(const std::string& text, int durationMs, BalloonType type) {
  if (window_.isVisible() || !tray_->IsAvailable()) return false;
  tray_->ShowBalloon(type, QString::fromStdString(text),
                     QString::fromStdString(daemon_.DaemonName()), durationMs);
  return true;
}

void DesktopIntegration::ShowLogBalloon(const std::string& line, LogLevel level) {
  ShowBalloonTip(line, kBalloonMs, static_cast<BalloonType>(LevelNumber(level)));
}

void DesktopIntegration::SetCaption(const std::string& caption) {
  caption_ = caption;
  window_.setWindowTitle(QString::fromStdString(caption));
  tray_->SetToolTip(QString::fromStdString(caption));
  menu_.Refresh(caption);
}

void DesktopIntegration::FinishStartup(bool startHidden) {
  window_.EnsureReachable();
  if (!startHidden) {
    window_.show();
    window_.inputLine().setFocus();
    return;
  }
  HideToTray();
  std::string text = FormatMsg(daemon_.Translate(txt::LoadedBalloon), {daemon_.DaemonName()});
  if (!daemon_.IsRunning()) text += daemon_.Translate(txt::PausedSuffix);
  ShowBalloonTip(text, kBalloonMs, BalloonType::Information);
}

void DesktopIntegration::HideToTray() {
  if (!tray_->IsAvailable()) {
    window_.showMinimized();
    trayRecheck_.start();
    return;
  }
  trayRecheck_.stop();
  window_.hide();
  tray_->AddIcon(QString::fromStdString(caption_));
}

void DesktopIntegration::ShowFromTray() {
  // A window that waited minimised for the tray comes back as it was before.
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
  window_.show();
  window_.raise();
  tray_->RemoveIcon();
}

void DesktopIntegration::OnQuitting() {
  window_.AllowClose();
  window_.hide();
}

void DesktopIntegration::RecheckTray() {
  if (!window_.isMinimized() || !window_.isVisible()) {
    trayRecheck_.stop();
    return;
  }
  if (tray_->IsAvailable()) HideToTray();
}

}  // namespace corvane
