#include "startup/daemon_app.h"

#include <QSocketNotifier>
#include <QTimer>

#include "console/reports.h"

namespace corvane {
namespace {

StartOptions OptionsFrom(const CommandLineSwitches& commandLine) {
  StartOptions options;
  options.observationFile = commandLine.Value("/XML");
  options.logFile = commandLine.Value("/Log");
  options.name = commandLine.Value("/Name");
  options.allowSecondInstance = commandLine.IsSet("/NIC");
  options.checkAtStart = commandLine.IsSet("/runnow");
  options.startPaused = commandLine.IsSet("/pause");
  return options;
}

}  // namespace

DaemonApp::DaemonApp(CommandLineSwitches commandLine, const Clock& clock, FrontEnd frontEnd)
    : commandLine_(std::move(commandLine)),
      frontEnd_(std::move(frontEnd)),
      controller_(clock),
      updater_(controller_.log()),
      commands_(ConsoleContext{
          controller_, [this](bool verbose) { updater_.CheckForUpdate(verbose); }, {}}),
      settings_(controller_.log()) {
  connect(&controller_, &DaemonController::Stopping, this, &DaemonApp::SaveSettingsOnStop);
  connect(&controller_, &DaemonController::SettingsChanged, this, &DaemonApp::SaveSettingsNow);
}

DaemonApp::~DaemonApp() = default;

void DaemonApp::Start() {
  WatchStopSignals();
  StartOptions options = OptionsFrom(commandLine_);
  options.commandOutput = frontEnd_.commandOutput;
  try {
    const SettingsReader reader;
    if (frontEnd_.loadSettings) frontEnd_.loadSettings(reader);
    options.settings = ReadDaemonSettings(reader);
  } catch (const SettingsError& error) {
    controller_.FailStartup(error.what(), MessageIcon::Stop);
    return;
  }
  settingsLoaded_ = true;

  switch (controller_.Start(options)) {
    case StartOutcome::Failed: return;
    // A stop during the first check ("exit", or a signal that the walk saw
    // before the event loop did) ends start-up here; after "exit" the stop
    // is under way and keeps its reason.
    case StartOutcome::StopRequested: OnStopSignal(); return;
    case StartOutcome::Running: break;
  }
  RefreshCaption();
  connect(&controller_, &DaemonController::StatusChanged, this, &DaemonApp::RefreshCaption);
  // The silent check: after the event loop has started, so that a slow
  // update server never holds up start-up.
  QTimer::singleShot(0, this, [this] {
    if (!controller_.IsStopping()) updater_.CheckForUpdate(false);
  });
}

void DaemonApp::RefreshCaption() {
  emit CaptionChanged(
      CaptionText(controller_.state(), controller_.language(), controller_.IsRunning()));
}

void DaemonApp::ProcessCommand(const std::string& line) {
  if (controller_.IsStopping()) return;
  commands_.ProcessCommand(line);
}

void DaemonApp::SaveSettingsOnStop() {
  if (settingsLoaded_) settings_.Save(controller_.Settings(), frontEnd_.saveSettings);
}

void DaemonApp::SaveSettingsNow() {
  if (!controller_.IsStopping()) SaveSettingsOnStop();
}

void DaemonApp::OnStopSignal() {
  controller_.Quit({StopReason::Kind::Signal, platform::PendingStopSignalName()});
}

// SIGTERM, SIGINT and SIGHUP take the same orderly stop as "exit".
void DaemonApp::WatchStopSignals() {
  if (stopSignals_) return;
  stopSignals_ = std::make_unique<platform::StopSignals>();
  if (stopSignals_->ReadEnd() < 0) return;
  stopNotifier_ = std::make_unique<QSocketNotifier>(stopSignals_->ReadEnd(), QSocketNotifier::Read);
  connect(stopNotifier_.get(), &QSocketNotifier::activated, this, [this] {
    stopSignals_->Drain();
    OnStopSignal();
  });
}

}  // namespace corvane
