#include "core/run_command.h"

#include <QElapsedTimer>
#include <algorithm>
#include <memory>

#include "core/command_split.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/outcome_move.h"
#include "core/process.h"
#include "core/std_helpers.h"
#include "core/stop_request.h"
#include "lang/untranslated_texts.h"

namespace corvane {
namespace {

// Until its command has ended, the scan does not hand the file at path over
// again, whether the command is waited for or runs on by itself.
void MarkRunning(ObservationPoint& point, const std::string& path, ChildProcess& proc) {
  if (!point.running) point.running = std::make_shared<RunningCommands>();
  (*point.running)[path] = proc.pid();
  proc.WhenCollected([running = std::weak_ptr(point.running), path, pid = proc.pid()] {
    const std::shared_ptr<RunningCommands> files = running.lock();
    if (!files) return;  // the point table has been rebuilt since
    const auto entry = files->find(path);
    if (entry != files->end() && entry->second == pid) files->erase(entry);
  });
}

}  // namespace

CommandRunner::CommandRunner(Log& log, const DaemonState& state, ChildReaper& reaper)
    : log_(log), state_(state), reaper_(reaper) {}

void CommandRunner::RunCommand(const std::string& dir, const std::string& fileName,
                               ObservationPoint& point) {
  if (StopRequested(state_)) return;
  const PlaceholderValues values{dir + fileName, fileName, point.directory, point.name,
                                 state_.daemonName};
  const CommandLine cmd = BuildCommandLine(point.command, values);
  const auto handedOver = IdentityBeforeCommand(point, values.file);
  const auto settle = [&](CommandVerdict verdict) {
    return MoveAfterCommand(log_, point, values.file, handedOver, verdict,
                            [this] { return StopRequested(state_); });
  };
  {
    platform::Result<ChildProcess> started = StartProcess(cmd, output_, reaper_);
    if (!started) {
      log_.Message(txt::CouldNotExecute, LogLevel::Error, {cmd.text});
      log_.Message(txt::StartFailedReason, LogLevel::Debug, {cmd.text, started.error().text});
      Inc(point.failed);
      settle(CommandVerdict::Failed);
      return;
    }
    log_.Message(txt::Executing, LogLevel::Debug, {cmd.text, started->pid()});
    MarkRunning(point, values.file, *started);
    settle(Supervise(*started, point.wait, point.terminate));
  }  // the process passes to the reaper unless it was collected
  Inc(point.executed);
}

// Wait < 0: the command runs on by itself; 0: wait however long, silently;
// > 0: wait at most that many milliseconds, then kill or leave it. A stop
// ends any wait: the command is then killed or left as Terminate says.
CommandVerdict CommandRunner::Supervise(ChildProcess& proc, std::int32_t waitMs, bool terminate) {
  if (waitMs < 0) return CommandVerdict::MayStillUseFile;
  QElapsedTimer waited;
  waited.start();
  const WaitEnd end = proc.Wait(waitMs, [this] { return StopRequested(state_); });
  if (end == WaitEnd::Ended) {
    if (waitMs > 0) log_.Message(txt::ProcessEndedInTime, LogLevel::Debug, {proc.pid()});
    const bool exitedWithZero = proc.end() && !proc.end()->signalled && proc.end()->code == 0;
    return exitedWithZero ? CommandVerdict::Succeeded : CommandVerdict::Failed;
  }
  const auto after = end == WaitEnd::TimedOut
                         ? waitMs
                         : static_cast<std::int32_t>(std::min<qint64>(waited.elapsed(), INT32_MAX));
  LeaveOrKill(proc, after, terminate, end);
  return terminate && end == WaitEnd::TimedOut ? CommandVerdict::Failed
                                               : CommandVerdict::MayStillUseFile;
}

void CommandRunner::LeaveOrKill(const ChildProcess& proc, std::int32_t afterMs, bool terminate,
                                WaitEnd why) {
  log_.Message(txt::ProcessNotCompleted, LogLevel::Warning, {proc.pid(), afterMs});
  if (terminate) {
    proc.Kill();  // its answer does not change what is logged
    log_.Message(txt::ProcessTerminated, LogLevel::Warning, {proc.pid(), afterMs});
  } else if (why == WaitEnd::Stopped) {
    log_.Message(txt::ProcessLeftRunning, LogLevel::Warning, {proc.pid()});
  } else {
    log_.Message(txt::ProcessNotTerminated, LogLevel::Error, {proc.pid()});
  }
}

}  // namespace corvane
