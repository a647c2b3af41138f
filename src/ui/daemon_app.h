#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "console/console_commands.h"
#include "console/daemon_control.h"
#include "core/change_wakeups.h"
#include "core/clock.h"
#include "core/daemon.h"
#include "core/hosts/message_box.h"
#include "core/platform/platform.h"
#include "ui/command_line.h"
#include "update/update_check.h"

class QSocketNotifier;

namespace corvane {

class CaptionHost;
class DesktopHost;
class LogView;
class MessageBoxHost;
class WindowSettingsHost;

// Exit codes of the corvane process.
namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int FatalStartupError = 1;
}  // namespace ExitCode

// The window or console the daemon reports to. Everything named here must
// outlive the DaemonApp.
struct DaemonHosts {
  LogView& view;
  DesktopHost& desktop;
  MessageBoxHost& messages;
  CaptionHost& caption;
  WindowSettingsHost* window = nullptr;  // null: no window (console mode)
};

// The daemon's life: the start-up sequence, the check timer, and the
// two-stage stop (QuitDaemon now, EndDaemon a quarter of a second later so
// that pending events still run), and the console commands that steer it.
//
// Running means tmrMain is enabled. During a tick the timer is off; a pause
// or resume requested meanwhile (from a console command handled while a
// command is waited for) takes effect when the tick ends.
class DaemonApp : public QObject, public DaemonControl {
  Q_OBJECT

 public:
  DaemonApp(DaemonHosts hosts, CommandLineSwitches commandLine, const Clock& clock);
  ~DaemonApp() override;

  // Called by start-up once it holds the instance lock, before the first
  // check, so that console commands ("exit") are heard while that runs.
  void SetConsoleStarter(std::function<void()> start) { startConsole_ = std::move(start); }

  // The start-up sequence. Stop signals are caught from its first step on.
  // Ends in QuitDaemon when start-up cannot go on; a stored setting that
  // cannot be read ends it before anything else, and the settings are then
  // left as they are.
  void Form_Load();
  // The orderly stop: settings saved, checks stopped, a command being waited
  // for ended or left as its point says, EndDaemon armed. Safe to call twice;
  // only the first call saves.
  void QuitDaemon() override;
  // The final step: releases the instance lock and ends the event loop.
  void EndDaemon();
  // One tick of the check timer.
  void tmrMain_Timer();

  bool IsRunning() const override;
  void SetRunning(bool run) override;
  void SetCaption(const std::string& caption) override;

  // One line of the console. Once the orderly stop has begun, lines are
  // ignored. Returns when the command is done (see ConsoleCommands).
  void ProcessCommand(const std::string& line);
  ConsoleCommands& commands() { return commands_; }

  int exitCode() const { return exitCode_; }
  // "Start hidden" as the stored settings say; known once start-up has run.
  bool StartsHidden() const { return bHidden_; }
  Daemon& daemon() { return daemon_; }
  const DaemonState& state() const { return daemon_.state; }
  QTimer tmrMain;
  QTimer tmrEnd;

 signals:
  // The orderly stop has begun (emitted once, after the settings are saved).
  void Quitting();

 private:
  // Steps that need the observation file; false when start-up must stop.
  bool LoadObservationFile();
  bool TakeInstanceLock(const std::string& xmlFile);
  void FatalStartupError(const std::string& text, MessageIcon icon);
  void WatchStopSignals();
  ChangeWakeups::Hooks WakeupHooks();

  MessageBoxHost& messages_;
  CaptionHost& caption_;
  WindowSettingsHost* window_;
  CommandLineSwitches commandLine_;
  const Clock& clock_;
  Daemon daemon_;
  UpdateChecker updater_;
  ConsoleCommands commands_;
  ChangeWakeups wakeups_;
  bool settingsLoaded_ = false;  // only settings that were read are written back
  bool bHidden_ = true;
  bool inTick_ = false;
  bool runAfterTick_ = false;
  int exitCode_ = ExitCode::Ok;
  std::function<void()> startConsole_;
  // The notifier is declared after the pipe it watches, so that it goes first.
  std::unique_ptr<platform::StopSignals> stopSignals_;
  std::unique_ptr<QSocketNotifier> stopNotifier_;
};

}  // namespace corvane
