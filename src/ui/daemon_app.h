#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

#include "core/clock.h"
#include "core/daemon.h"
#include "core/hosts/message_box.h"
#include "ui/command_line.h"

class QSocketNotifier;

namespace corvane {

class DesktopHost;
class LogView;
class MessageBoxHost;

// Exit codes of the corvane process.
namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int FatalStartupError = 1;
}  // namespace ExitCode

// The daemon's life: the start-up sequence, the check timer, and the
// two-stage stop (QuitDaemon now, EndDaemon a quarter of a second later so
// that pending events still run). The window or console it reports to is
// passed in and must outlive it.
//
// Running means tmrMain is enabled. During a tick the timer is off; a pause
// or resume requested meanwhile (from a console command handled while a
// command is waited for) takes effect when the tick ends.
class DaemonApp : public QObject {
  Q_OBJECT

 public:
  DaemonApp(LogView& view, DesktopHost& desktop, MessageBoxHost& messages,
            CommandLineSwitches commandLine, const Clock& clock);
  ~DaemonApp() override;

  // The start-up sequence. Ends in QuitDaemon when start-up cannot go on.
  void Form_Load();
  // The orderly stop: checks stopped, EndDaemon armed. Safe to call twice.
  void QuitDaemon();
  // The final step: releases the instance lock and ends the event loop.
  void EndDaemon();
  // One tick of the check timer.
  void tmrMain_Timer();

  bool IsRunning() const;
  void SetRunning(bool run);

  int exitCode() const { return exitCode_; }
  Daemon& daemon() { return daemon_; }
  const DaemonState& state() const { return daemon_.state; }
  QTimer tmrMain;
  QTimer tmrEnd;

 private:
  // Steps that need the observation file; false when start-up must stop.
  bool LoadObservationFile();
  bool TakeInstanceLock(const std::string& xmlFile);
  void FatalStartupError(const std::string& text, MessageIcon icon);
  void WatchStopSignals();

  MessageBoxHost& messages_;
  CommandLineSwitches commandLine_;
  Daemon daemon_;
  bool bHidden_ = true;
  bool inTick_ = false;
  bool runAfterTick_ = false;
  int exitCode_ = ExitCode::Ok;
  int stopSignalFd_ = -1;
  std::unique_ptr<QSocketNotifier> stopSignals_;
};

}  // namespace corvane
