#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/command_split.h"
#include "core/platform/platform.h"

namespace corvane {

class ChildReaper;

// One started command, held while the daemon waits for it. The record owns
// its watch descriptor, opened by the first wait, until CloseProcess.
struct ProcessRecord {
  int pid = 0;           // shown as "PID"; also the id of the command's process group
  int watchFd = -1;      // readable once the process has ended; -1: none
  std::string sCommand;  // the command line as shown in messages
  bool bEnded = false;   // collected: from now on the pid may name another process
};

// Starts the command in a process group of its own. iShow, the window style
// hint, has no meaning on Linux and is ignored; its output goes where
// `output` says. On success fills proc and
// returns true; false when the command could not be started (no arguments,
// program missing or not executable): then nothing runs.
bool StartProcess(const CommandLine& cmd, ProcessRecord& proc, std::int16_t iShow,
                  platform::CommandOutput output);

// How a wait ended: the process ended (and was collected), the limit passed,
// or the daemon is stopping. Only Ended means the process has ended.
enum class WaitEnd { Ended, TimedOut, Stopped };

// Waits until the process ends, until stopRequested() is true, or, when
// lTimeoutMs > 0, until that many milliseconds have passed on a monotonic
// clock (0: no limit). stopRequested is asked before the wait and whenever
// InterruptWaits is called; a wait that the application's end breaks off
// counts as Stopped.
//
// Re-entrancy: the wait runs a nested event loop, so timers, console input
// and log writes run inside this call; they must not touch proc.
WaitEnd WaitForProcess(ProcessRecord& proc, std::int32_t lTimeoutMs,
                       const std::function<bool()>& stopRequested);

// Breaks off every wait under way, so that each asks its stopRequested
// again: call it when the daemon begins to stop.
void InterruptWaits();

// Kills the command's whole process group (SIGKILL: nothing can ignore it),
// including what it started and left running. True when the system accepted
// it; false for a process already collected, whose group may be gone.
bool KillProcess(const ProcessRecord& proc);

// Ends the daemon's hold on the process and closes its watch descriptor: a
// process that has not been collected yet (running, killed a moment ago, or
// left running) passes to the reaper. proc is empty afterwards.
void CloseProcess(ProcessRecord& proc, ChildReaper& reaper);

}  // namespace corvane
