#include "core/run_command.h"

#include "core/command_split.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/process.h"
#include "core/std_helpers.h"

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
  const PlaceholderValues values{sDir + sFileName, sFileName, point.Directory, point.Name,
                                 state_.sDaemonName};
  const CommandLine cmd = BuildCommandLine(point.Command, values);
  ProcessRecord proc;
  if (!StartProcess(cmd, proc, ShowModeFor(point.Window))) {
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
// > 0: wait at most that many milliseconds, then kill or leave it.
void CommandRunner::Supervise(ProcessRecord& proc, std::int32_t lWait, bool bTerminate) {
  if (lWait < 0) return;
  if (lWait == 0) {
    while (!WaitForProcess(proc, 0)) PumpMessage();
    return;
  }
  if (WaitForProcess(proc, lWait)) {
    log_.Message(txt::ProcessEndedInTime, LogLevel::Debug, {proc.pid});
    return;
  }
  log_.Message(txt::ProcessNotCompleted, LogLevel::Warning, {proc.pid, lWait});
  if (bTerminate) {
    KillProcess(proc);  // its answer does not change what is logged
    log_.Message(txt::ProcessTerminated, LogLevel::Warning, {proc.pid, lWait});
  } else {
    log_.Message(txt::ProcessNotTerminated, LogLevel::Error, {proc.pid});
  }
}

}  // namespace corvane
