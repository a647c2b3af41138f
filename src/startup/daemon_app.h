#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "console/console_commands.h"
#include "core/clock.h"
#include "core/daemon_controller.h"
#include "core/settings.h"
#include "platform/stop_signals.h"
#include "startup/command_line.h"
#include "update/update_check.h"

class QSocketNotifier;

namespace corvane {

// Exit codes of the corvane process.
namespace exit_code {
inline constexpr int kOk = 0;
inline constexpr int kFatalStartupError = 1;
}  // namespace exit_code

// What a front end (the window, or console mode) brings to the daemon's
// life beyond listening to its signals.
struct FrontEnd {
  // Reads the front end's own stored settings before the daemon's (it may
  // throw SettingsError, which ends start-up) and writes them back with the
  // daemon's. Empty: it keeps none, and its keys stay as they are.
  std::function<void(const SettingsReader&)> loadSettings;
  std::function<void(SettingsWriter&)> saveSettings;
  // Where the started commands' output goes.
  platform::CommandOutput commandOutput = platform::CommandOutput::DaemonStderr;
};

// The daemon's life around the core: the stop signals, the console commands
// that steer it, the settings saved when one changes and at the orderly
// stop, the caption, and the update check. The controller starts, runs and
// stops the daemon; the front ends listen to its signals and to
// CaptionChanged here.
class DaemonApp : public QObject {
  Q_OBJECT

 public:
  DaemonApp(CommandLineSwitches commandLine, const Clock& clock, FrontEnd frontEnd = {});
  ~DaemonApp() override;

  // The start-up sequence. Stop signals are caught from its first step on.
  // A stored setting that cannot be read ends start-up before anything else,
  // and the settings are then left as they are.
  void Start();
  // The orderly stop (see DaemonController::Quit); the settings that were
  // read are saved first.
  void QuitDaemon(const StopReason& reason) { controller_.Quit(reason); }
  // Saves the settings now (see SettingsSaver), unless they could not be
  // read or the orderly stop has saved them.
  void SaveSettingsNow();

  // One line of the console. Once the orderly stop has begun, lines are
  // ignored. Returns when the command is done (see ConsoleCommands).
  void ProcessCommand(const std::string& line);

  DaemonController& controller() { return controller_; }
  UpdateChecker& updater() { return updater_; }

 signals:
  // The one-line summary of the daemon's state: the window caption and the
  // tray's tooltip, or the terminal's title. From the end of start-up on.
  void CaptionChanged(const std::string& caption);

 private:
  void WatchStopSignals();
  void SaveSettingsOnStop();
  void OnStopSignal();
  void RefreshCaption();

  CommandLineSwitches commandLine_;
  FrontEnd frontEnd_;
  DaemonController controller_;
  UpdateChecker updater_;
  ConsoleCommands commands_;
  SettingsSaver settings_;
  bool settingsLoaded_ = false;  // only settings that were read are written back
  // The notifier is declared after the pipe it watches, so that it goes first.
  std::unique_ptr<platform::StopSignals> stopSignals_;
  std::unique_ptr<QSocketNotifier> stopNotifier_;
};

}  // namespace corvane
