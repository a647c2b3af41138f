#include "ui/daemon_app_steering.h"

#include "startup/daemon_app.h"

namespace corvane {

bool DaemonAppSteering::IsRunning() const { return app_.controller().IsRunning(); }

// Pausing from the tray writes no log line; the caption follows the
// controller's status notification.
void DaemonAppSteering::SetRunning(bool run) { app_.controller().SetRunning(run); }

// Unlike the console's "run", no look at a check already running: the
// check cycle refuses to enter itself, and checks no point once the stop
// has begun.
void DaemonAppSteering::CheckNow() { app_.controller().CheckAllNow(); }

void DaemonAppSteering::Quit() { app_.QuitDaemon({StopReason::Kind::Menu, {}}); }

void DaemonAppSteering::ProcessCommand(const std::string& line) { app_.ProcessCommand(line); }

std::string DaemonAppSteering::DaemonName() const { return app_.controller().DaemonName(); }

std::string DaemonAppSteering::Translate(const CatalogueText& text) const {
  return app_.controller().Translate(text);
}

}  // namespace corvane
