#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "journal/journal_writer.h"
#include "platform/processes.h"

namespace corvane {

class ChildReaper;
class Log;
struct DaemonState;
struct ObservationPoint;
class ChildProcess;
enum class WaitEnd;
enum class CommandVerdict;

// Runs a point's command for each file the scan hands over: fills the
// placeholders, starts the command, waits and terminates as the point says,
// logs what happened and counts it in the point's statistics.
class CommandRunner {
 public:
  // All three must outlive the runner; commands not waited for go to reaper.
  CommandRunner(Log& log, const DaemonState& state, ChildReaper& reaper);

  // Where the commands' output goes; the front end chooses (console mode:
  // the daemon's standard error, which is the default).
  void SetCommandOutput(platform::CommandOutput output) { output_ = output; }
  // Where each hand-over is recorded; none: not recorded. A command that
  // runs on by itself completes its row in the journal it began in, if that
  // is still open when the command ends.
  void SetJournal(std::shared_ptr<journal::JournalWriter> journal) {
    journal_ = std::move(journal);
  }

  // dir is the directory being listed, ending in "/"; fileName the name of
  // the file in it. Adds 1 to point.failed when the command cannot be
  // started, else 1 to point.executed. Until the command has ended, the file
  // stays in point.running (see RunningCommands). Once a stop is requested, no
  // command starts; one being waited for is then ended (Terminate) or left
  // running, and the log says which. After a waited command the file goes
  // into the point's folder for success or failure, where it names one.
  //
  // Re-entrancy: when the point waits for its command, the event loop turns
  // inside this call (timers, console input, log writes). point must stay
  // where it is until the call returns, so the point table must not be
  // rebuilt meanwhile; Wait and Terminate are read once, before the wait.
  //
  // `claimedPath`, when given, is where a shared point's claim put the file:
  // %File% names it there and the move after the command takes it from
  // there, while %FileName% and the journal's row keep the name it arrived
  // under.
  void RunCommand(const std::string& dir, const std::string& fileName, ObservationPoint& point,
                  const std::string& claimedPath = {});

 private:
  // How the wait ended, as the journal records it.
  journal::HandOverEnd Supervise(ChildProcess& proc, std::int32_t waitMs, bool terminate);
  void LeaveOrKill(const ChildProcess& proc, std::int32_t afterMs, bool terminate, WaitEnd why);

  Log& log_;
  const DaemonState& state_;
  ChildReaper& reaper_;
  platform::CommandOutput output_ = platform::CommandOutput::DaemonStderr;
  std::shared_ptr<journal::JournalWriter> journal_;
};

}  // namespace corvane
