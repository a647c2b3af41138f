#pragma once

#include <QObject>
#include <QTimer>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "lang/language.h"
#include "ui/command_line.h"

namespace corvane {

class DesktopHost;
class LogView;
class MessageBoxHost;

// Exit codes of the corvane process.
namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int FatalStartupError = 1;
inline constexpr int NotAvailable = 2;
}  // namespace ExitCode

// The daemon's life: the start-up sequence, the check timer, and the
// two-stage stop (QuitDaemon now, EndDaemon a quarter of a second later so
// that pending events still run). It owns the shared state, the language
// table and the log; the window or console it reports to is passed in.
class DaemonApp : public QObject {
  Q_OBJECT

 public:
  DaemonApp(LogView& view, DesktopHost& desktop, MessageBoxHost& messages, CommandLine commandLine);

  // The start-up sequence. Ends in QuitDaemon when start-up cannot go on.
  void Form_Load();
  // The orderly stop: settings saved, checks stopped, EndDaemon armed.
  void QuitDaemon();
  // The final step: ends the event loop with the exit code.
  void EndDaemon();

  int exitCode() const { return exitCode_; }
  const DaemonState& state() const { return state_; }
  QTimer tmrMain;
  QTimer tmrEnd;

 private:
  void FatalStartupError(const std::string& text, int exitCode);

  LogView& view_;
  DesktopHost& desktop_;
  MessageBoxHost& messages_;
  CommandLine commandLine_;
  SystemClock clock_;
  DaemonState state_;
  Language language_;
  Log log_;
  bool bHidden_ = true;
  int exitCode_ = ExitCode::Ok;
};

}  // namespace corvane
