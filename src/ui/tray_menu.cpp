#include "ui/tray_menu.h"

#include "core/format_msg.h"
#include "ui/daemon_steering.h"

namespace corvane {
namespace {

// Menu texts are shown literally: an "&" in a daemon's name is no mnemonic.
QString Literal(const std::string& text) {
  return QString::fromStdString(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

TrayMenuCaptions MenuCaptions(const DaemonSteering& daemon, const std::string& windowCaption) {
  const std::string name = daemon.DaemonName();
  TrayMenuCaptions captions;
  captions.title = windowCaption;
  captions.show = FormatMsg(daemon.Translate(txt::MenuShow), {name.empty() ? "Corvane" : name});
  captions.pauseResume =
      FormatMsg(daemon.Translate(daemon.IsRunning() ? txt::MenuPause : txt::MenuResume), {name});
  captions.runNow = daemon.Translate(txt::MenuSearchNewFiles);
  captions.exit = daemon.Translate(txt::MenuExit);
  return captions;
}

TrayMenu::TrayMenu(DaemonSteering& daemon) : daemon_(daemon) {
  title_ = menu_.addAction(QStringLiteral("Corvane"));
  menu_.setDefaultAction(title_);
  menu_.addSeparator();
  show_ = menu_.addAction(QStringLiteral("Show Window"));
  pauseResume_ = menu_.addAction(QStringLiteral("Pause the Daemon"));
  runNow_ = menu_.addAction(QStringLiteral("Check points now"));
  menu_.addSeparator();
  exit_ = menu_.addAction(QStringLiteral("Exit"));

  QObject::connect(show_, &QAction::triggered, [this] {
    if (onShow) onShow();
  });
  QObject::connect(pauseResume_, &QAction::triggered,
                   [this] { daemon_.SetRunning(!daemon_.IsRunning()); });
  QObject::connect(runNow_, &QAction::triggered, [this] { daemon_.CheckNow(); });
  QObject::connect(exit_, &QAction::triggered, [this] { daemon_.Quit(); });
}

void TrayMenu::Refresh(const std::string& windowCaption) {
  const TrayMenuCaptions captions = MenuCaptions(daemon_, windowCaption);
  title_->setText(Literal(captions.title));
  show_->setText(Literal(captions.show));
  pauseResume_->setText(Literal(captions.pauseResume));
  runNow_->setText(Literal(captions.runNow));
  exit_->setText(Literal(captions.exit));
}

}  // namespace corvane
