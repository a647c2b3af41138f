#include "ui/daemon_app_steering.h"

#include "console/reports.h"
#include "ui/daemon_app.h"

namespace corvane {

bool DaemonAppSteering::IsRunning() const { return app_->IsRunning(); }

// Pausing from the tray writes no log line; only the caption changes.
void DaemonAppSteering::SetRunning(bool run) {
  app_->SetRunning(run);
  UpdateCaption(app_->state(), app_->daemon().language, *app_);
}

// Unlike the console's "run", no look at a check already running: the
// check cycle refuses to enter itself.
void DaemonAppSteering::CheckNow() {
  if (!app_->state().bQuitting) app_->daemon().cycle.fCheckPoints(true);
}

void DaemonAppSteering::Quit() { app_->QuitDaemon(); }

void DaemonAppSteering::ProcessCommand(const std::string& line) { app_->ProcessCommand(line); }

std::string DaemonAppSteering::DaemonName() const { return app_->state().sDaemonName; }

std::string DaemonAppSteering::Translate(const CatalogueText& text) const {
  return app_->daemon().language.Translate(text);
}

}  // namespace corvane
