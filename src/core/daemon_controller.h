#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <memory>
#include <string>

#include "core/change_wakeups.h"
#include "core/log.h"
#include "core/settings.h"
#include "platform/processes.h"
#include "platform/result.h"

namespace corvane {
namespace journal {
class JournalWriter;
}

class Clock;
class Daemon;
class Language;
struct DaemonState;

// Why the daemon stops: its closing line says so.
struct StopReason {
  enum class Kind { Command, Menu, Signal, SessionEnd, DisplayLoss, StartupFailure };
  Kind kind;
  std::string detail;  // the command word typed, or the signal's name
};

enum class MessageIcon { Stop, Exclamation, Information };

// The core half of start-up, as the command line and the stored settings
// ask for it.
struct StartOptions {
  std::string observationFile;       // required
  std::string logFile;               // "" for none
  std::string name;                  // "" keeps the observation file's
  bool allowSecondInstance = false;  // another daemon's lock is only a warning
  bool checkAtStart = false;         // every point once, during start-up
  bool startPaused = false;
  DaemonSettings settings;
  // Where the started commands' output goes.
  platform::CommandOutput commandOutput = platform::CommandOutput::DaemonStderr;
};

enum class StartOutcome {
  Running,        // or paused as asked
  Failed,         // its message was shown; the stop is under way
  StopRequested,  // a stop came during the first check
};

// The daemon: it owns the core's parts and is the one way the front ends
// (the console interpreter, the tray, the window, console mode) start,
// steer and stop it, so that each of them does so the same way and none
// reaches into the core.
//
// It owns what makes the daemon run: the one-second check timer and its
// tick. Running means the timer is enabled; during a tick the timer is off,
// and a pause or resume asked for meanwhile (by a command handled while a
// started command is waited for) takes effect when the tick ends.
//
// It tells what happened through its signals, emitted on the one thread
// the daemon runs on; front ends connect to them directly, so that lines
// reach them in order and at once. Every change of what a caption, tooltip
// or menu shows (running or not, the daemon's name, the observation file,
// the number of points) is announced by the one signal StatusChanged.
// Nothing is announced once the orderly stop has begun.
class DaemonController : public QObject {
  Q_OBJECT

 public:
  // The clock must outlive the controller.
  explicit DaemonController(const Clock& clock, QObject* parent = nullptr);
  ~DaemonController() override;

  // Start-up: the settings applied, the banner, the observation file loaded
  // and its instance lock taken, the name, change events followed,
  // ReadyForCommands, the first check if asked, and the check timer started
  // unless a pause was asked. A file that cannot be used, or one that
  // another daemon watches (unless allowed), ends in FailStartup.
  StartOutcome Start(const StartOptions& options);
  // Shows why start-up cannot go on and stops with the fatal exit code,
  // without a closing line.
  void FailStartup(const std::string& text, MessageIcon icon);

  // What the reports, the caption and the menus show.
  bool IsRunning() const;
  // A check of the points is under way (perhaps waiting for a command).
  bool IsChecking() const;
  bool IsStopping() const;
  const std::string& DaemonName() const;
  const std::string& ObservationFile() const;
  // The journal of hand-overs that this daemon writes, whether or not it is on:
  // the configured file, else the default one of the observation file.
  std::string JournalFile() const;
  // Whether the journal is on and open.
  bool JournalOpen() const { return journal_ != nullptr; }
  std::size_t PointCount() const;
  std::string Translate(const CatalogueText& text) const;
  // The stored settings as they are now.
  DaemonSettings Settings() const;
  // For the console's reports and its lines.
  const DaemonState& state() const;
  const Language& language() const;
  Log& log();
  // The daemon's time: what the file ages are measured against.
  const Clock& clock() const;

  // Pausing and resuming only switch the check timer: a check under way runs
  // to its end. Resuming after the stop has begun does nothing.
  void Pause() { SetRunning(false); }
  void Resume() { SetRunning(true); }
  void SetRunning(bool run);

  // Checks every point now, whatever its interval, and returns when the walk
  // is over. It does not look at IsChecking(): while a check runs, the
  // check's own guard refuses each point with a warning (the tray's item).
  // The console's "run" asks IsChecking() first and does nothing then.
  // Once the stop has begun no point is checked. Returns false when a
  // directory was missing or a check failed.
  bool CheckAllNow();

  // Loads the observation file again. While a check walks the point table,
  // the reload waits for the walk's end.
  void Reload();
  // Watches another observation file: the instance lock moves with it. When
  // another daemon holds the new file's lock, the file is loaded all the
  // same but this daemon pauses (and logs why). Deferred like Reload.
  void ChangeObservationFile(const std::string& file);
  void SetDaemonName(const std::string& name);
  // Settings that show in no caption; the stored ones (log level, language)
  // announce their change with SettingsChanged.
  void SetLogLevel(LogLevel level);
  // A FIFO, a device or a directory is refused, since writing to it could
  // block or fill nothing: the failure then says why, and the log file
  // stays.
  platform::Result<void> SetLogFile(const std::string& file);
  // `text` is the language file's content, read by the caller.
  void SetLanguageFile(const std::string& file, std::string text);
  // The journal's settings, stored like the log level. The journal is
  // reopened at once as they say; one that cannot be opened is warned of.
  void SetJournalSettings(const JournalSettings& settings);
  // Empties the log view ("clear"); the log file keeps its lines.
  void ClearView() { emit ViewCleared(); }

  // One tick of the check timer: the due points are checked.
  void OnTick();

  // The orderly stop: checks stop, a command being waited for is ended or
  // left as its point says, and a quarter of a second later (so that
  // pending events still run) the closing line naming the reason is logged,
  // the instance lock is released and the event loop ends. A start-up that
  // fails has no closing line: its message says why. Safe to call more than
  // once; only the first call emits Stopping and sets the reason. A non-zero
  // exit code is kept by later calls.
  void Quit(const StopReason& reason, int exitCode = 0);
  int exitCode() const { return exitCode_; }
  // The process ends now, before the event loop turns again (the display
  // went away): only the closing line is written, to the log file, unless
  // it has been. An orderly stop already under way keeps its reason.
  void EndAbruptly(const StopReason& reason);

 signals:
  // One log line for the view. `shown` is false for a line below the log
  // level: the view adds nothing, yet goes to its newest line all the same.
  void LineLogged(const std::string& line, bool bold, bool shown);
  // A warning or an error was logged: a front end whose view is hidden
  // shows it as a balloon.
  void BalloonRequested(const std::string& line, LogLevel level);
  // "clear": the view is to be emptied.
  void ViewCleared();
  // Start-up cannot go on: the front end shows why, and returns once the
  // user has seen it.
  void MessageRequested(const std::string& title, const std::string& text, MessageIcon icon);
  // The instance lock is held and the first check is about to run:
  // console commands are heard from now on, so that "exit" is heard during
  // that check.
  void ReadyForCommands();
  // The running state, the name, the observation file or the point count
  // changed.
  void StatusChanged();
  // The orderly stop has begun: the front ends save what they keep. Emitted
  // once, before anything is stopped.
  void Stopping();
  // The log level or the language file changed: they are to be saved.
  void SettingsChanged();

 private:
  struct Status {
    bool running = false;
    std::string name;
    std::string file;
    std::size_t points = 0;
    bool operator==(const Status&) const = default;
  };
  Status CurrentStatus() const;
  // Emits StatusChanged when the status differs from the last one seen.
  void Publish();
  bool OpenObservationFile(const StartOptions& options);
  bool TakeInstanceLock(const std::string& file);
  void MoveToObservationFile(const std::string& file);
  void End();
  // Opens the journal that the settings and the observation file name,
  // unless it is open already; closes it when it is off.
  void OpenJournal();
  void CloseJournal();
  void WriteClosingLine(LogStyle style = {});

  std::unique_ptr<Daemon> daemon_;
  JournalSettings journalSettings_;
  std::shared_ptr<journal::JournalWriter> journal_;
  std::string journalOpenFile_;  // the file journal_ writes
  QTimer checkTimer_;
  QTimer endTimer_;
  // Keeps the heartbeats of shared folders fresh, also while a check waits
  // for a long command.
  QTimer beatTimer_;
  bool inTick_ = false;
  bool runAfterTick_ = false;
  int exitCode_ = 0;
  StopReason reason_{StopReason::Kind::StartupFailure, {}};
  bool closed_ = false;  // the closing line is written
  Status published_;
  ChangeWakeups wakeups_;
};

}  // namespace corvane
