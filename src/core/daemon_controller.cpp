#include "core/daemon_controller.h"

#include <QCoreApplication>

#include "core/daemon.h"
#include "core/daemon_id.h"
#include "core/journal_location.h"
#include "core/process.h"
#include "core/program_directory.h"
#include "core/shared_point.h"
#include "core/std_helpers.h"
#include "core/stop_request.h"
#include "core/version.h"
#include "journal/journal_writer.h"
#include "platform/directory_listing.h"
#include "platform/files.h"

namespace corvane {
namespace {

constexpr int kCheckIntervalMs = 1000;
constexpr int kEndDelayMs = 250;
constexpr const char* kAppTitle = "Corvane";

std::string ReasonText(const Language& language, const StopReason& reason) {
  using Kind = StopReason::Kind;
  switch (reason.kind) {
    case Kind::Command: return FormatMsg(language.Translate(txt::StopByCommand), {reason.detail});
    case Kind::Menu: return language.Translate(txt::StopByMenu);
    case Kind::Signal: return FormatMsg(language.Translate(txt::StopBySignal), {reason.detail});
    case Kind::SessionEnd: return language.Translate(txt::StopBySessionEnd);
    case Kind::DisplayLoss: return language.Translate(txt::StopByDisplayLoss);
    case Kind::StartupFailure: break;
  }
  return {};
}

}  // namespace

DaemonController::DaemonController(const Clock& clock, QObject* parent)
    : QObject(parent),
      daemon_(std::make_unique<Daemon>(clock)),
      wakeups_(daemon_->state, daemon_->log,
               {[this] { return daemon_->state.checkRunning || daemon_->cycle.IsWalking(); },
                [this] { return IsRunning() && !IsStopping(); },
                [this](std::size_t index) {
                  if (!daemon_->cycle.CheckWokenPoint(index)) {
                    daemon_->log.Message(txt::ObservationError, LogLevel::Error);
                  }
                }}) {
  connect(&daemon_->log, &Log::LineLogged, this, &DaemonController::LineLogged);
  connect(&daemon_->log, &Log::BalloonRequested, this, &DaemonController::BalloonRequested);
  daemon_->cycle.SetObserver({[this](std::size_t index) { wakeups_.BeforeCheck(index); },
                              [this](std::size_t index) { wakeups_.AfterCheck(index); }});
  checkTimer_.setInterval(kCheckIntervalMs);
  endTimer_.setInterval(kEndDelayMs);
  endTimer_.setSingleShot(true);
  connect(&checkTimer_, &QTimer::timeout, this, &DaemonController::OnTick);
  connect(&endTimer_, &QTimer::timeout, this, &DaemonController::End);
  connect(&beatTimer_, &QTimer::timeout, this, [this] { BeatSharedPoints(daemon_->state); });
  published_ = CurrentStatus();
}

DaemonController::~DaemonController() {
  CloseJournal();
  daemon_->cycle.SetObserver({});
}

StartOutcome DaemonController::Start(const StartOptions& options) {
  DaemonState& state = daemon_->state;
  daemon_->runner.SetCommandOutput(options.commandOutput);
  state.logLevel = options.settings.logLevel;
  state.languageFile = options.settings.languageFile;
  journalSettings_ = options.settings.journal;
  state.sharedDaemonId = options.settings.shared.daemonId;
  state.staleSeconds = options.settings.shared.staleSeconds;
  daemon_->language.LoadLanguageFile(ProgramFile(state.languageFile));
  state.logFile = options.logFile;
  state.daemonName = "Corvane";
  daemon_->log.WriteLog(
      FormatMsg(Translate(txt::StartBanner), {kVersionMajor, kVersionMinor, kVersionRevision}),
      LogLevel::Info, {.bold = true, .raw = true});
  state.startTime = daemon_->clock.Now();
  platform::IgnoreLeaseBreakSignal();

  if (!OpenObservationFile(options)) return StartOutcome::Failed;
  if (!options.name.empty()) state.daemonName = options.name;
  if (!state.sharedDaemonId.empty()) {
    if (const platform::Result<std::string> id = CheckedDaemonId(state.sharedDaemonId); !id) {
      state.sharedDaemonId.clear();
      daemon_->log.Message(txt::SharedIdRefused, LogLevel::Warning,
                           {id.error().text, SharedDaemonId(state)});
    }
  }
  beatTimer_.start(BeatPeriod(state.staleSeconds));
  OpenJournal();
  wakeups_.Follow();
  emit ReadyForCommands();
  if (options.checkAtStart) CheckAllNow();
  if (StopRequested(state)) return StartOutcome::StopRequested;
  if (options.startPaused) {
    daemon_->log.Message(txt::DaemonPaused, LogLevel::Info);
  } else {
    SetRunning(true);
  }
  return StartOutcome::Running;
}

bool DaemonController::OpenObservationFile(const StartOptions& options) {
  const std::string& file = options.observationFile;
  if (file.empty() || !PathExists(file)) {
    FailStartup(Translate(txt::UseXmlSwitch), MessageIcon::Stop);
    return false;
  }
  if (!daemon_->loader.LoadFile(file)) {
    FailStartup(FormatMsg(Translate(txt::XmlFileUseless), {file}), MessageIcon::Stop);
    return false;
  }
  if (!TakeInstanceLock(file)) {
    const std::string alreadyRunning = FormatMsg(Translate(txt::AlreadyRunning), {file});
    if (!options.allowSecondInstance) {
      FailStartup(alreadyRunning + "\r\n" + Translate(txt::DaemonWillQuit),
                  MessageIcon::Exclamation);
      return false;
    }
    daemon_->log.WriteLog(alreadyRunning, LogLevel::Warning);
  }
  daemon_->state.xmlFile = file;
  return true;
}

// The one place that takes the lock, at start-up and when the observation
// file changes: any lock held before is released first.
bool DaemonController::TakeInstanceLock(const std::string& file) {
  return daemon_->lock.RegisterInstance(file);
}

void DaemonController::FailStartup(const std::string& text, MessageIcon icon) {
  emit MessageRequested(kAppTitle, text, icon);
  Quit({StopReason::Kind::StartupFailure, {}}, 1);
}

bool DaemonController::IsRunning() const {
  return inTick_ ? runAfterTick_ : checkTimer_.isActive();
}

bool DaemonController::IsChecking() const { return daemon_->state.checkRunning; }
bool DaemonController::IsStopping() const { return daemon_->state.quitting; }
const std::string& DaemonController::DaemonName() const { return daemon_->state.daemonName; }
const std::string& DaemonController::ObservationFile() const { return daemon_->state.xmlFile; }
std::string DaemonController::JournalFile() const {
  return journalSettings_.file.empty() ? DefaultJournalFile(daemon_->state.xmlFile)
                                       : journalSettings_.file;
}
std::string DaemonController::Translate(const CatalogueText& text) const {
  return daemon_->language.Translate(text);
}
DaemonSettings DaemonController::Settings() const {
  const DaemonState& state = daemon_->state;
  return {state.logLevel,
          state.languageFile,
          journalSettings_,
          {state.sharedDaemonId, state.staleSeconds}};
}
const DaemonState& DaemonController::state() const { return daemon_->state; }
const Language& DaemonController::language() const { return daemon_->language; }
Log& DaemonController::log() { return daemon_->log; }
const Clock& DaemonController::clock() const { return daemon_->clock; }

// As the statistics count them.
std::size_t DaemonController::PointCount() const { return daemon_->state.points.size(); }

void DaemonController::SetRunning(bool run) {
  if (inTick_) {
    runAfterTick_ = run && !IsStopping();
  } else if (run && !IsStopping()) {
    checkTimer_.start();
  } else {
    checkTimer_.stop();
  }
  Publish();
}

bool DaemonController::CheckAllNow() { return daemon_->cycle.CheckAllPoints(); }

void DaemonController::Reload() {
  daemon_->cycle.ChangePointTable([this] {
    daemon_->loader.ReloadPoints();
    wakeups_.Reload();
    Publish();
  });
}

void DaemonController::ChangeObservationFile(const std::string& file) {
  daemon_->cycle.ChangePointTable([this, file] { MoveToObservationFile(file); });
}

void DaemonController::MoveToObservationFile(const std::string& file) {
  daemon_->lock.ReleaseInstance();
  daemon_->state.xmlFile = file;
  daemon_->loader.ReloadPoints();
  if (!TakeInstanceLock(file)) {
    daemon_->log.Message(txt::CouldNotLock, LogLevel::Error, {file});
    SetRunning(false);
  }
  OpenJournal();  // the default journal follows the observation file
  Publish();
}

void DaemonController::SetDaemonName(const std::string& name) {
  daemon_->state.daemonName = name;
  Publish();
}

void DaemonController::SetLogLevel(LogLevel level) {
  daemon_->state.logLevel = level;
  emit SettingsChanged();
}

platform::Result<void> DaemonController::SetLogFile(const std::string& file) {
  platform::Result<void> usable = platform::CheckRegularOrAbsent(file);
  if (usable) daemon_->state.logFile = file;
  return usable;
}

void DaemonController::SetLanguageFile(const std::string& file, std::string text) {
  daemon_->state.languageFile = file;
  daemon_->language.LoadLanguageText(std::move(text));
  emit SettingsChanged();
}

void DaemonController::SetJournalSettings(const JournalSettings& settings) {
  const bool reopen = settings != journalSettings_;
  journalSettings_ = settings;
  if (reopen) CloseJournal();
  OpenJournal();
  emit SettingsChanged();
}

void DaemonController::OpenJournal() {
  if (!journalSettings_.enabled || IsStopping()) return CloseJournal();
  const std::string file = JournalFile();
  if (journal_ && file == journalOpenFile_) return;
  CloseJournal();
  // A write that fails is told on the writer's thread; the log is this one's.
  auto warn = [this, file](const std::string& reason) {
    QMetaObject::invokeMethod(
        this,
        [this, file, reason] {
          daemon_->log.Message(txt::JournalUnusable, LogLevel::Warning, {file, reason});
        },
        Qt::QueuedConnection);
  };
  auto opened = journal::JournalWriter::Open({file, journalSettings_.keepDays, warn});
  if (!opened) {
    daemon_->log.Message(txt::JournalUnusable, LogLevel::Warning, {file, opened.error().text});
    return;
  }
  if (!opened->movedAside.empty()) {
    daemon_->log.Message(txt::JournalMovedAside, LogLevel::Warning, {file, opened->movedAside});
  }
  journal_ = std::move(opened->writer);
  journalOpenFile_ = file;
  daemon_->runner.SetJournal(journal_);
}

// Flushes what is queued; a command that runs on by itself no longer
// reaches this journal, whose rows for it say "left running".
void DaemonController::CloseJournal() {
  if (!journal_) return;
  daemon_->runner.SetJournal(nullptr);
  journal_->Close();
  journal_.reset();
  journalOpenFile_.clear();
}

void DaemonController::OnTick() {
  // Ticks wait while a woken point's check waits for its command, as they
  // do while a tick's own check waits.
  if (wakeups_.Checking()) return;
  checkTimer_.stop();
  inTick_ = true;
  runAfterTick_ = true;
  if (!daemon_->cycle.CheckDuePoints()) {
    daemon_->log.Message(txt::ObservationError, LogLevel::Error);
  }
  wakeups_.Tick();
  inTick_ = false;
  if (runAfterTick_ && !IsStopping()) checkTimer_.start();
}

void DaemonController::Quit(const StopReason& reason, int exitCode) {
  if (exitCode != 0) exitCode_ = exitCode;
  if (!IsStopping()) {
    reason_ = reason;
    emit Stopping();
  }
  daemon_->state.quitting = true;
  runAfterTick_ = false;
  checkTimer_.stop();
  beatTimer_.stop();
  if (!endTimer_.isActive()) endTimer_.start();
  InterruptWaits();
}

void DaemonController::End() {
  CloseJournal();
  WriteClosingLine();
  daemon_->lock.ReleaseInstance();
  QCoreApplication::exit(exitCode_);
}

// The display is gone with the window and its view: the file alone can
// still be written.
void DaemonController::EndAbruptly(const StopReason& reason) {
  if (!IsStopping()) reason_ = reason;
  WriteClosingLine({.viewGone = true});
}

void DaemonController::WriteClosingLine(LogStyle style) {
  if (closed_ || reason_.kind == StopReason::Kind::StartupFailure) return;
  closed_ = true;
  daemon_->log.WriteLog(
      FormatMsg(Translate(txt::Stopped), {DaemonName(), ReasonText(daemon_->language, reason_)}),
      LogLevel::Info, style);
}

DaemonController::Status DaemonController::CurrentStatus() const {
  return Status{IsRunning(), DaemonName(), ObservationFile(), PointCount()};
}

void DaemonController::Publish() {
  if (IsStopping()) return;
  Status now = CurrentStatus();
  if (now == published_) return;
  published_ = std::move(now);
  emit StatusChanged();
}

}  // namespace corvane
