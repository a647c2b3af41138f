#include "ui/daemon_app.h"

#include <QCoreApplication>
#include <QSocketNotifier>

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

constexpr int kCheckIntervalMs = 1000;
constexpr int kEndDelayMs = 250;
constexpr const char* kAppTitle = "Corvane";

// Without a window nobody can answer the download question: the printed
// question names the download location instead.
UpdateCheckOptions UpdateOptions(const WindowSettingsHost* window) {
  UpdateCheckOptions options;
  options.bQuestionNamesLocation = window == nullptr;
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
      updater_(daemon_.log, hosts.messages, UpdateOptions(hosts.window)),
      commands_(ConsoleContext{
          daemon_, *this, [this](bool verbose) { updater_.CheckForUpdate(verbose); }, {}}),
      wakeups_(daemon_.state, daemon_.log, WakeupHooks()) {
  tmrMain.setInterval(kCheckIntervalMs);
  tmrEnd.setInterval(kEndDelayMs);
  tmrEnd.setSingleShot(true);
  connect(&tmrMain, &QTimer::timeout, this, &DaemonApp::tmrMain_Timer);
  connect(&tmrEnd, &QTimer::timeout, this, &DaemonApp::EndDaemon);
  // Without a window, the log lines go to standard output: keep commands out.
  daemon_.runner.SetCommandOutput(window_ ? platform::CommandOutput::Discard
                                          : platform::CommandOutput::DaemonStderr);
}

DaemonApp::~DaemonApp() = default;

void DaemonApp::Form_Load() {
  DaemonState& state = daemon_.state;
  WatchStopSignals();
  try {
    LoadSettings(state, bHidden_, window_);
  } catch (const SettingsError& error) {
    FatalStartupError(error.what(), MessageIcon::Stop);
    return;
  }
  settingsLoaded_ = true;

  daemon_.language.LoadLanguageFile(ProgramFile(state.sLanguageFile));
  state.sLogFile = commandLine_.GetCmdParam("/Log", true);
  state.sDaemonName = "Corvane";
  daemon_.log.WriteLog(FormatMsg(daemon_.language.Translate(txt::StartBanner),
                                 {kVersionMajor, kVersionMinor, kVersionRevision}),
                       LogLevel::Info, true, true);
  state.dStartTime = clock_.Now();
  platform::IgnoreLeaseBreakSignal();

  if (!LoadObservationFile()) return;
  if (const std::string name = commandLine_.GetCmdParam("/Name", true); !name.empty()) {
    state.sDaemonName = name;
  }
  wakeups_.Follow();
  if (startConsole_) startConsole_();
  if (commandLine_.GetCmdParam("/runnow", false) == "1") daemon_.cycle.fCheckPoints(true);
  // A stop during the first check ("exit", or a signal that the walk saw
  // before the event loop did) ends start-up here.
  if (StopRequested(daemon_.state)) {
    QuitDaemon();
    return;
  }
  if (commandLine_.GetCmdParam("/pause", false) == "1") {
    daemon_.log.Message(txt::DaemonPaused, LogLevel::Info);
  } else {
    tmrMain.start();
  }
  UpdateCaption(state, daemon_.language, *this);
  // The silent check: after the event loop has started, so that a slow
  // update server never holds up start-up.
  QTimer::singleShot(0, this, [this] {
    if (!daemon_.state.bQuitting) updater_.CheckForUpdate(false);
  });
}

bool DaemonApp::LoadObservationFile() {
  const std::string xmlFile = commandLine_.GetCmdParam("/XML", true);
  if (xmlFile.empty() || !PathExists(xmlFile)) {
    FatalStartupError(daemon_.language.Translate(txt::UseXmlSwitch), MessageIcon::Stop);
    return false;
  }
  if (!daemon_.loader.fLoadFile(xmlFile)) {
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
    if (commandLine_.GetCmdParam("/NIC", false) != "1") {
      FatalStartupError(alreadyRunning + "\r\n" + language.Translate(txt::DaemonWillQuit),
                        MessageIcon::Exclamation);
      return false;
    }
    daemon_.log.WriteLog(alreadyRunning, LogLevel::Warning);
  }
  daemon_.state.sXmlFile = xmlFile;
  return true;
}

void DaemonApp::FatalStartupError(const std::string& text, MessageIcon icon) {
  exitCode_ = ExitCode::FatalStartupError;
  messages_.ShowMessage(kAppTitle, text, icon);
  QuitDaemon();
}

ChangeWakeups::Hooks DaemonApp::WakeupHooks() {
  return {[this] { return daemon_.state.bCheckRunning || daemon_.cycle.IsWalking(); },
          [this] { return IsRunning() && !daemon_.state.bQuitting; },
          [this](std::size_t index) {
            if (!daemon_.cycle.CheckWokenPoint(index)) {
              daemon_.log.Message(txt::ObservationError, LogLevel::Error);
            }
          }};
}

void DaemonApp::tmrMain_Timer() {
  // Ticks wait while a woken point's check waits for its command, as they
  // do while a tick's own check waits.
  if (wakeups_.Checking()) return;
  tmrMain.stop();
  inTick_ = true;
  runAfterTick_ = true;
  if (!daemon_.cycle.fCheckPoints(false)) {
    daemon_.log.Message(txt::ObservationError, LogLevel::Error);
  }
  wakeups_.Tick();
  inTick_ = false;
  if (runAfterTick_ && !daemon_.state.bQuitting) tmrMain.start();
}

bool DaemonApp::IsRunning() const { return inTick_ ? runAfterTick_ : tmrMain.isActive(); }

void DaemonApp::SetRunning(bool run) {
  if (inTick_) {
    runAfterTick_ = run;
  } else if (run && !daemon_.state.bQuitting) {
    tmrMain.start();
  } else {
    tmrMain.stop();
  }
}

void DaemonApp::SetCaption(const std::string& caption) { caption_.SetCaption(caption); }

void DaemonApp::ProcessCommand(const std::string& line) {
  if (daemon_.state.bQuitting) return;
  commands_.ProcessCommand(line);
}

void DaemonApp::QuitDaemon() {
  const bool first = !daemon_.state.bQuitting;
  if (settingsLoaded_ && first) SaveSettings(daemon_.state, window_);
  daemon_.state.bQuitting = true;
  runAfterTick_ = false;
  tmrMain.stop();
  if (!tmrEnd.isActive()) tmrEnd.start();
  InterruptWaits();
  if (first) emit Quitting();
}

void DaemonApp::EndDaemon() {
  daemon_.lock.ReleaseInstance();
  QCoreApplication::exit(exitCode_);
}

// SIGTERM, SIGINT and SIGHUP take the same orderly stop as "exit".
void DaemonApp::WatchStopSignals() {
  if (stopSignals_) return;
  stopSignals_ = std::make_unique<platform::StopSignals>();
  if (stopSignals_->ReadEnd() < 0) return;
  stopNotifier_ = std::make_unique<QSocketNotifier>(stopSignals_->ReadEnd(), QSocketNotifier::Read);
  connect(stopNotifier_.get(), &QSocketNotifier::activated, this, [this] {
    stopSignals_->Drain();
    QuitDaemon();
  });
}

}  // namespace corvane
