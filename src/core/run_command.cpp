#include "core/run_command.h"

#include <QDateTime>
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
#include "platform/files.h"

namespace corvane {
namespace {

// Until its command has ended, the scan does not hand the file at path over
// again, whether the command is waited for or runs on by itself. `ended`
// runs too once the command has been collected.
void MarkRunning(ObservationPoint& point, const std::string& path, ChildProcess& proc,
                 std::function<void(const platform::ChildEnd&)> ended) {
  if (!point.running) point.running = std::make_shared<RunningCommands>();
  (*point.running)[path] = proc.pid();
  proc.WhenCollected([running = std::weak_ptr(point.running), path, pid = proc.pid(),
                      ended = std::move(ended)](const platform::ChildEnd& end) {
    if (ended) ended(end);
    const std::shared_ptr<RunningCommands> files = running.lock();
    if (!files) return;  // the point table has been rebuilt since
    const auto entry = files->find(path);
    if (entry != files->end() && entry->second == pid) files->erase(entry);
  });
}

journal::HandOverEnd EndOf(const platform::ChildEnd& end, std::int64_t durationMs) {
  if (!end.known) return {journal::Outcome::Exited, std::nullopt, durationMs, {}};
  return {end.signalled ? journal::Outcome::Signalled : journal::Outcome::Exited,
          end.code,
          durationMs,
          {}};
}

// Where a waited command leaves its file: a command killed because the
// daemon stops, or left running, may still use it.
CommandVerdict VerdictOf(const journal::HandOverEnd& end, bool stopping) {
  switch (end.outcome) {
    case journal::Outcome::Exited:
      return end.code == 0 ? CommandVerdict::Succeeded : CommandVerdict::Failed;
    case journal::Outcome::Signalled:
    case journal::Outcome::NotStarted: return CommandVerdict::Failed;
    case journal::Outcome::Terminated:
      return stopping ? CommandVerdict::MayStillUseFile : CommandVerdict::Failed;
    case journal::Outcome::Running:
    case journal::Outcome::LeftRunning: break;
  }
  return CommandVerdict::MayStillUseFile;
}

// The journal's row as the hand-over begins, with the file as it is now.
journal::HandOver BeginRow(const std::string& path, const ObservationPoint& point,
                           const CommandLine& cmd,
                           const std::optional<platform::EntryIdentity>& file) {
  journal::HandOver row;
  row.startedMs = QDateTime::currentMSecsSinceEpoch();
  row.point = point.name;
  row.path = path;
  row.arguments = cmd.args;
  row.waited = point.wait >= 0;
  if (file) {
    row.size = file->size;
    row.modifiedNs = file->modifiedNs;
    row.inode = static_cast<std::int64_t>(file->id.inode);
  }
  return row;
}

}  // namespace

CommandRunner::CommandRunner(Log& log, const DaemonState& state, ChildReaper& reaper)
    : log_(log), state_(state), reaper_(reaper) {}

void CommandRunner::RunCommand(const std::string& dir, const std::string& fileName,
                               ObservationPoint& point, const std::string& claimedPath) {
  if (StopRequested(state_)) return;
  const std::string arrived = dir + fileName;
  const PlaceholderValues values{claimedPath.empty() ? arrived : claimedPath, fileName,
                                 point.directory, point.name, state_.daemonName};
  const CommandLine cmd = BuildCommandLine(point.command, values);
  const std::shared_ptr<journal::JournalWriter> journal = journal_;  // a wait may change journal_
  // One look at the file as it is handed over serves the journal's row and
  // the move after the command.
  std::optional<platform::EntryIdentity> file;
  if (journal || !point.successFolder.empty() || !point.failureFolder.empty()) {
    if (platform::Result<platform::EntryIdentity> entry = platform::IdentityOfEntry(values.file))
      file = *entry;
  }
  const auto handedOver = IdentityBeforeCommand(point, file);
  const auto settle = [&](const journal::HandOverEnd& end) {
    return MoveAfterCommand(
        log_, point, values.file, handedOver, VerdictOf(end, StopRequested(state_)),
        [this] { return StopRequested(state_); }, arrived);
  };
  journal::HandOver row = journal ? BeginRow(arrived, point, cmd, file) : journal::HandOver{};
  {
    platform::Result<ChildProcess> started = StartProcess(cmd, output_, reaper_);
    if (!started) {
      log_.Message(txt::CouldNotExecute, LogLevel::Error, {cmd.text});
      log_.Message(txt::StartFailedReason, LogLevel::Debug, {cmd.text, started.error().text});
      Inc(point.failed);
      row.outcome = journal::Outcome::NotStarted;
      row.movedTo = settle({journal::Outcome::NotStarted, std::nullopt, 0, {}});
      if (journal) journal->Begin(std::move(row));
      return;
    }
    log_.Message(txt::Executing, LogLevel::Debug, {cmd.text, started->pid()});
    row.pid = started->pid();
    const std::int64_t id = journal ? journal->Begin(row) : 0;
    QElapsedTimer took;
    took.start();
    std::function<void(const platform::ChildEnd&)> ended;
    if (journal && !row.waited) {
      ended = [journal = std::weak_ptr(journal), id, took](const platform::ChildEnd& end) {
        if (const auto open = journal.lock()) open->End(id, EndOf(end, took.elapsed()));
      };
    }
    MarkRunning(point, values.file, *started, std::move(ended));
    if (point.wait >= 0) {
      journal::HandOverEnd end = Supervise(*started, point.wait, point.terminate);
      end.movedTo = settle(end);
      if (journal) journal->End(id, std::move(end));
    }
  }  // the process passes to the reaper unless it was collected
  Inc(point.executed);
}

// Wait < 0: the command runs on by itself; 0: wait however long, silently;
// > 0: wait at most that many milliseconds, then kill or leave it. A stop
// ends any wait: the command is then killed or left as Terminate says.
journal::HandOverEnd CommandRunner::Supervise(ChildProcess& proc, std::int32_t waitMs,
                                              bool terminate) {
  if (waitMs < 0) return {};
  QElapsedTimer waited;
  waited.start();
  const WaitEnd end = proc.Wait(waitMs, [this] { return StopRequested(state_); });
  if (end == WaitEnd::Ended) {
    if (waitMs > 0) log_.Message(txt::ProcessEndedInTime, LogLevel::Debug, {proc.pid()});
    return EndOf(proc.end(), waited.elapsed());
  }
  const auto after = end == WaitEnd::TimedOut
                         ? waitMs
                         : static_cast<std::int32_t>(std::min<qint64>(waited.elapsed(), INT32_MAX));
  LeaveOrKill(proc, after, terminate, end);
  return {terminate ? journal::Outcome::Terminated : journal::Outcome::LeftRunning,
          std::nullopt,
          waited.elapsed(),
          {}};
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
