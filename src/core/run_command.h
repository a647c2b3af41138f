#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

class ChildReaper;
class Log;
struct DaemonState;
struct ObservationPoint;
struct ProcessRecord;

// The show mode for a point's Window hint ("min" 6, "max" 3, "none" 0,
// "normal" 1, in any letter case; anything else hides: 0). Linux has no use
// for it, but it is handed on with every start.
std::int16_t ShowModeFor(std::string_view sWindow);

// Runs a point's command for each file the scan hands over: fills the
// placeholders, starts the command, waits and terminates as the point says,
// logs what happened and counts it in the point's statistics.
class CommandRunner {
 public:
  // All three must outlive the runner; commands not waited for go to reaper.
  CommandRunner(Log& log, const DaemonState& state, ChildReaper& reaper);

  // sDir is the directory being listed, ending in "/"; sFileName the name of
  // the file in it. Adds 1 to point.lFailed when the command cannot be
  // started, else 1 to point.lExecuted.
  //
  // Re-entrancy: when the point waits for its command, the event loop turns
  // inside this call (timers, console input, log writes). point must stay
  // where it is until the call returns, so the point table must not be
  // rebuilt meanwhile; Wait and Terminate are read once, before the wait.
  void RunCommand(const std::string& sDir, const std::string& sFileName, ObservationPoint& point);

 private:
  void Supervise(ProcessRecord& proc, std::int32_t lWait, bool bTerminate);

  Log& log_;
  const DaemonState& state_;
  ChildReaper& reaper_;
};

}  // namespace corvane
