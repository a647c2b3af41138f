#include "core/run_command.h"

#include <QElapsedTimer>
#include <algorithm>

#include "core/command_split.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/process.h"
#include "core/std_helpers.h"
#include "core/stop_request.h"

namespace corvane {

std::int16_t ShowModeFor(std::string_view sWindow) {
  const std::string window = AsciiLower(sWindow);
  if (window == "min") return 6;
  if (window == "max") return 3;
  if (window == "normal") return 1;
  return 0;  // "none", and whatever is not understood
}

CommandRunner::CommandRunner(Log& log, const DaemonState& state, ChildReaper& reaper)
    : log_(log), state_(state), reaper_(reaper) {}

void CommandRunner::RunCommand(const std::string& sDir, const std::string& sFileName,
                               ObservationPoint& point) {
  if (StopRequested(state_)) return;
  const PlaceholderValues values{sDir + sFileName, sFileName, point.Directory, point.Name,
                                 state_.sDaemonName};
  const CommandLine cmd = BuildCommandLine(point.Command, values);
  ProcessRecord proc;
  if (!StartProcess(cmd, proc, ShowModeFor(point.Window), output_)) {
    log_.Message(txt::CouldNotExecute, LogLevel::Error, {cmd.sText});
    Inc(point.lFailed);
    return;
  }
  log_.Message(txt::Executing, LogLevel::Debug, {cmd.sText, proc.pid});
  Supervise(proc, point.Wait, point.Terminate);
  CloseProcess(proc, reaper_);
  Inc(point.lExecuted);
}

// Wait < 0: the command runs on by itself; 0: wait however long, silently;
// > 0: wait at most that many milliseconds, then kill or leave it. A stop
// ends any wait: the command is then killed or left as Terminate says.
void CommandRunner::Supervise(ProcessRecord& proc, std::int32_t lWait, bool bTerminate) {
  if (lWait < 0) return;
  QElapsedTimer waited;
  waited.start();
  const WaitEnd end = WaitForProcess(proc, lWait, [this] { return StopRequested(state_); });
  if (end == WaitEnd::Ended) {
    if (lWait > 0) log_.Message(txt::ProcessEndedInTime, LogLevel::Debug, {proc.pid});
    return;
  }
  const auto after = end == WaitEnd::TimedOut
                         ? lWait
                         : static_cast<std::int32_t>(std::min<qint64>(waited.elapsed(), INT32_MAX));
  LeaveOrKill(proc, after, bTerminate, end);
}

void CommandRunner::LeaveOrKill(const ProcessRecord& proc, std::int32_t lAfterMs, bool bTerminate,
                                WaitEnd why) {
  log_.Message(txt::ProcessNotCompleted, LogLevel::Warning, {proc.pid, lAfterMs});
  if (bTerminate) {
    KillProcess(proc);  // its answer does not change what is logged
    log_.Message(txt::ProcessTerminated, LogLevel::Warning, {proc.pid, lAfterMs});
  } else if (why == WaitEnd::Stopped) {
    log_.Message(txt::ProcessLeftRunning, LogLevel::Warning, {proc.pid});
  } else {
    log_.Message(txt::ProcessNotTerminated, LogLevel::Error, {proc.pid});
  }
}

}  // namespace corvane
