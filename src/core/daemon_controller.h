#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/change_wakeups.h"
#include "core/log.h"

namespace corvane {

class Daemon;
class Language;
struct DaemonState;

// Why the daemon stops: its closing line says so.
struct StopReason {
  enum class Kind { Command, Menu, Signal, SessionEnd, DisplayLoss, StartupFailure };
  Kind kind;
  std::string detail;  // the command word typed, or the signal's name
};

// What the front ends (the console interpreter, the tray, the window) do to
// the daemon, in one place, so that each of them pauses, checks, reloads and
// stops it the same way and none reaches into the core's parts.
//
// It owns what makes the daemon run: the one-second check timer and its
// tick. Running means the timer is enabled; during a tick the timer is off,
// and a pause or resume asked for meanwhile (by a command handled while a
// started command is waited for) takes effect when the tick ends.
//
// Every change of what a caption, tooltip or menu shows (running or not,
// the daemon's name, the observation file, the number of points) is
// announced by the one signal StatusChanged. Nothing is announced once the
// orderly stop has begun.
class DaemonController : public QObject {
  Q_OBJECT

 public:
  // The daemon must outlive the controller.
  explicit DaemonController(Daemon& daemon, QObject* parent = nullptr);
  ~DaemonController() override;

  // What the reports, the caption and the menus show.
  bool IsRunning() const;
  // A check of the points is under way (perhaps waiting for a command).
  bool IsChecking() const;
  bool IsStopping() const;
  const std::string& DaemonName() const;
  const std::string& ObservationFile() const;
  std::size_t PointCount() const;
  const DaemonState& state() const;
  const Language& language() const;
  // Where every front end reports.
  Log& log();

  // Pausing and resuming only switch the check timer: a check under way runs
  // to its end. Resuming after the stop has begun does nothing.
  void Pause() { SetRunning(false); }
  void Resume() { SetRunning(true); }
  void SetRunning(bool run);

  // Checks every point now, whatever its interval, and returns when the walk
  // is over. It does not look at IsChecking(): while a check runs, the
  // check's own guard refuses each point with a warning (the tray's item).
  // The console's "run" asks IsChecking() first and does nothing then.
  // Returns false when a directory was missing or a check failed.
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
  // block or fill nothing: the answer is then why, and the log file stays.
  // "" when the file is taken.
  std::string SetLogFile(const std::string& file);
  // `text` is the language file's content, read by the caller.
  void SetLanguageFile(const std::string& file, std::string text);

  // Starts the check timer at the end of start-up.
  void Start() { SetRunning(true); }
  // One tick of the check timer: the due points are checked.
  void OnTick();
  // Lets change events bring the checks of points with Watch="1" forward,
  // following the point table from now on.
  void FollowChangeEvents() { wakeups_.Follow(); }

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
  void MoveToObservationFile(const std::string& file);
  void End();
  void WriteClosingLine(LogStyle style = {});

  Daemon& daemon_;
  QTimer checkTimer_;
  QTimer endTimer_;
  bool inTick_ = false;
  bool runAfterTick_ = false;
  int exitCode_ = 0;
  StopReason reason_{StopReason::Kind::StartupFailure, {}};
  bool closed_ = false;  // the closing line is written
  Status published_;
  ChangeWakeups wakeups_;
};

}  // namespace corvane
