#include "ui/window_front_end.h"

#include <QGuiApplication>

#include "core/settings.h"

namespace corvane {

WindowFrontEnd::WindowFrontEnd(CommandLineSwitches commandLine, std::unique_ptr<TrayIconHost> tray)
    : window_(StoredViewLines()),
      messages_(&window_),
      desktop_(window_, std::move(tray), steering_),
      daemon_({window_, desktop_, messages_, desktop_, &window_}, std::move(commandLine), clock_),
      placeWatch_(window_, [this] { daemon_.SaveSettingsNow(); }) {
  steering_.Bind(daemon_);
  // After the settings are saved: the start-up object connected first.
  QObject::connect(&daemon_.controller(), &DaemonController::Stopping, &desktop_,
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
  if (daemon_.state().quitting) return;
  displayLoss_ = std::make_unique<ExitGuard>([this] {
    placeWatch_.Flush();
    daemon_.controller().EndAbruptly({StopReason::Kind::DisplayLoss, {}});
  });
  desktop_.FinishStartup(daemon_.StartHidden());
}

}  // namespace corvane
