#include "ui/window_front_end.h"

#include <QGuiApplication>

#include "core/settings.h"
#include "ui/message_boxes.h"
#include "ui/window_settings.h"

namespace corvane {

WindowFrontEnd::WindowFrontEnd(CommandLineSwitches commandLine, std::unique_ptr<TrayIconHost> tray)
    : window_(StoredViewLines()),
      daemon_(std::move(commandLine), clock_,
              FrontEnd{[this](const SettingsReader& reader) {
                         startHidden_ = LoadWindowSettings(reader, window_);
                       },
                       [this](SettingsWriter& writer) { SaveWindowSettings(writer, window_); },
                       // Nobody reads the terminal behind a window.
                       platform::CommandOutput::Discard}),
      steering_(daemon_),
      desktop_(window_, std::move(tray), steering_),
      placeWatch_(window_, [this] { daemon_.SaveSettingsNow(); }) {
  Connect();
}

// Direct connections: every line reaches the view before the daemon goes
// on, and a question is answered before the update check goes on.
void WindowFrontEnd::Connect() {
  const DaemonController& controller = daemon_.controller();
  QObject::connect(&controller, &DaemonController::LineLogged, &window_, &MainWindow::ShowLogLine);
  QObject::connect(&controller, &DaemonController::ViewCleared, &window_, &MainWindow::Clear);
  QObject::connect(&controller, &DaemonController::BalloonRequested, &desktop_,
                   &DesktopIntegration::ShowLogBalloon);
  QObject::connect(&controller, &DaemonController::MessageRequested, &window_,
                   [this](const std::string& title, const std::string& text, MessageIcon icon) {
                     ShowMessageBox(&window_, title, text, icon);
                   });
  QObject::connect(&daemon_, &DaemonApp::CaptionChanged, &desktop_,
                   &DesktopIntegration::SetCaption);
  QObject::connect(&daemon_.updater(), &UpdateChecker::Offered, &window_,
                   [this](const UpdateOffer& offer) {
                     if (AskYesNo(&window_, offer.title, offer.question)) {
                       daemon_.updater().Accept(offer);
                     }
                   });
  // After the settings are saved: the start-up object connected first.
  QObject::connect(&controller, &DaemonController::Stopping, &desktop_,
                   &DesktopIntegration::OnQuitting);
  // The session ending (log out, shut down) is an orderly stop.
  QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, &daemon_, [this] {
    daemon_.QuitDaemon({StopReason::Kind::SessionEnd, {}});
  });
}

// The guard comes after the settings are read, so that what the store made
// for that outlives its last words.
void WindowFrontEnd::Start() {
  daemon_.Start();
  if (daemon_.controller().IsStopping()) return;
  displayLoss_ = std::make_unique<ExitGuard>([this] {
    placeWatch_.Flush();
    daemon_.controller().EndAbruptly({StopReason::Kind::DisplayLoss, {}});
  });
  desktop_.FinishStartup(startHidden_);
}

}  // namespace corvane
