#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "console/console_commands.h"
#include "core/clock.h"
#include "core/daemon.h"
#include "core/daemon_controller.h"
#include "core/hosts/message_box.h"
#include "core/platform/stop_signals.h"
#include "core/settings.h"
#include "startup/command_line.h"
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

// The daemon's life: the start-up sequence, the console commands that steer
// it, and what the orderly stop saves. The controller runs the check timer
// and carries out the stop; this object keeps the caption up to date with
// it from the end of start-up on.
class DaemonApp : public QObject {
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
  void Start();
  // The orderly stop (see DaemonController::Quit); the settings that were
  // read are saved first. Safe to call twice; only the first call saves.
  void QuitDaemon(const StopReason& reason) { controller_.Quit(reason); }
  // Saves the settings now (see SettingsSaver), unless they could not be
  // read or the orderly stop has saved them.
  void SaveSettingsNow();

  // One line of the console. Once the orderly stop has begun, lines are
  // ignored. Returns when the command is done (see ConsoleCommands).
  void ProcessCommand(const std::string& line);
  ConsoleCommands& commands() { return commands_; }

  int exitCode() const { return controller_.exitCode(); }
  Daemon& daemon() { return daemon_; }
  DaemonController& controller() { return controller_; }
  const DaemonState& state() const { return daemon_.state; }
  // The stored "start hidden" switch, for the window: true when the window
  // starts hidden in the tray.
  bool StartHidden() const { return startHidden_; }

 private:
  // Steps that need the observation file; false when start-up must stop.
  bool LoadObservationFile();
  bool TakeInstanceLock(const std::string& xmlFile);
  void FatalStartupError(const std::string& text, MessageIcon icon);
  void WatchStopSignals();
  void SaveSettingsOnStop();
  void OnStopSignal();
  void RefreshCaption();

  MessageBoxHost& messages_;
  CaptionHost& caption_;
  WindowSettingsHost* window_;
  CommandLineSwitches commandLine_;
  const Clock& clock_;
  Daemon daemon_;
  DaemonController controller_;
  UpdateChecker updater_;
  ConsoleCommands commands_;
  SettingsSaver settings_;
  bool settingsLoaded_ = false;  // only settings that were read are written back
  bool startHidden_ = true;
  std::function<void()> startConsole_;
  // The notifier is declared after the pipe it watches, so that it goes first.
  std::unique_ptr<platform::StopSignals> stopSignals_;
  std::unique_ptr<QSocketNotifier> stopNotifier_;
};

}  // namespace corvane
