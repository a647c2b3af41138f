#include "startup/daemon_app.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "console/reports.h"
#include "core/hosts/caption_host.h"
#include "core/process.h"
#include "core/program_directory.h"
#include "core/settings.h"
#include "core/std_helpers.h"
#include "core/stop_request.h"
#include "core/version.h"

namespace corvane {
namespace {

constexpr const char* kAppTitle = "Corvane";

// Without a window nobody can answer the download question: the printed
// question names the download location instead.
UpdateCheckOptions UpdateOptions(const WindowSettingsHost* window) {
  UpdateCheckOptions options;
  options.questionNamesLocation = window == nullptr;
  return options;
}

}  // namespace

DaemonApp::DaemonApp(DaemonHosts hosts, CommandLineSwitches commandLine, const Clock& clock)
    : messages_(hosts.messages),
      caption_(hosts.caption),
      window_(hosts.window),
      commandLine_(std::move(commandLine)),
      clock_(clock),
      daemon_(hosts.view, hosts.desktop, clock),
      controller_(daemon_),
      updater_(daemon_.log, hosts.messages, UpdateOptions(hosts.window)),
      commands_(ConsoleContext{
          controller_, [this](bool verbose) { updater_.CheckForUpdate(verbose); }, {}}),
      settings_(daemon_.log) {
  connect(&controller_, &DaemonController::Stopping, this, &DaemonApp::SaveSettingsOnStop);
  connect(&controller_, &DaemonController::SettingsChanged, this, &DaemonApp::SaveSettingsNow);
  // Without a window, the log lines go to standard output: keep commands out.
  daemon_.runner.SetCommandOutput(window_ ? platform::CommandOutput::Discard
                                          : platform::CommandOutput::DaemonStderr);
}

DaemonApp::~DaemonApp() = default;

void DaemonApp::Start() {
  DaemonState& state = daemon_.state;
  WatchStopSignals();
  try {
    LoadSettings(state, startHidden_, window_);
  } catch (const SettingsError& error) {
    FatalStartupError(error.what(), MessageIcon::Stop);
    return;
  }
  settingsLoaded_ = true;

  daemon_.language.LoadLanguageFile(ProgramFile(state.languageFile));
  state.logFile = commandLine_.Value("/Log");
  state.daemonName = "Corvane";
  daemon_.log.WriteLog(FormatMsg(daemon_.language.Translate(txt::StartBanner),
                                 {kVersionMajor, kVersionMinor, kVersionRevision}),
                       LogLevel::Info, {.bold = true, .raw = true});
  state.startTime = clock_.Now();
  platform::IgnoreLeaseBreakSignal();

  if (!LoadObservationFile()) return;
  if (const std::string name = commandLine_.Value("/Name"); !name.empty()) {
    state.daemonName = name;
  }
  controller_.FollowChangeEvents();
  if (startConsole_) startConsole_();
  if (commandLine_.IsSet("/runnow")) controller_.CheckAllNow();
  // A stop during the first check ("exit", or a signal that the walk saw
  // before the event loop did) ends start-up here; after "exit" the stop is
  // under way and keeps its reason.
  if (StopRequested(daemon_.state)) {
    OnStopSignal();
    return;
  }
  if (commandLine_.IsSet("/pause")) {
    daemon_.log.Message(txt::DaemonPaused, LogLevel::Info);
  } else {
    controller_.Start();
  }
  RefreshCaption();
  connect(&controller_, &DaemonController::StatusChanged, this, &DaemonApp::RefreshCaption);
  // The silent check: after the event loop has started, so that a slow
  // update server never holds up start-up.
  QTimer::singleShot(0, this, [this] {
    if (!daemon_.state.quitting) updater_.CheckForUpdate(false);
  });
}

bool DaemonApp::LoadObservationFile() {
  const std::string xmlFile = commandLine_.Value("/XML");
  if (xmlFile.empty() || !PathExists(xmlFile)) {
    FatalStartupError(daemon_.language.Translate(txt::UseXmlSwitch), MessageIcon::Stop);
    return false;
  }
  if (!daemon_.loader.LoadFile(xmlFile)) {
    FatalStartupError(FormatMsg(daemon_.language.Translate(txt::XmlFileUseless), {xmlFile}),
                      MessageIcon::Stop);
    return false;
  }
  return TakeInstanceLock(xmlFile);
}

bool DaemonApp::TakeInstanceLock(const std::string& xmlFile) {
  const Language& language = daemon_.language;
  const std::string alreadyRunning = FormatMsg(language.Translate(txt::AlreadyRunning), {xmlFile});
  if (!daemon_.lock.RegisterInstance(xmlFile)) {
    if (!commandLine_.IsSet("/NIC")) {
      FatalStartupError(alreadyRunning + "\r\n" + language.Translate(txt::DaemonWillQuit),
                        MessageIcon::Exclamation);
      return false;
    }
    daemon_.log.WriteLog(alreadyRunning, LogLevel::Warning);
  }
  daemon_.state.xmlFile = xmlFile;
  return true;
}

void DaemonApp::FatalStartupError(const std::string& text, MessageIcon icon) {
  messages_.ShowMessage(kAppTitle, text, icon);
  controller_.Quit({StopReason::Kind::StartupFailure, {}}, ExitCode::FatalStartupError);
}

void DaemonApp::RefreshCaption() {
  caption_.SetCaption(
      CaptionText(controller_.state(), controller_.language(), controller_.IsRunning()));
}

void DaemonApp::ProcessCommand(const std::string& line) {
  if (daemon_.state.quitting) return;
  commands_.ProcessCommand(line);
}

void DaemonApp::SaveSettingsOnStop() {
  if (settingsLoaded_) settings_.Save(daemon_.state, window_);
}

void DaemonApp::SaveSettingsNow() {
  if (!daemon_.state.quitting) SaveSettingsOnStop();
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
