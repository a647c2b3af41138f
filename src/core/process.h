#pragma once

#include <cstdint>
#include <string>

#include "core/command_split.h"

namespace corvane {

class ChildReaper;

// One started command, held while the daemon waits for it. The record owns
// its watch descriptor until CloseProcess.
struct ProcessRecord {
  int pid = 0;           // shown as "PID"; also the id of the command's process group
  int watchFd = -1;      // readable once the process has ended; -1: none
  std::string sCommand;  // the command line as shown in messages
  bool bEnded = false;   // collected: from now on the pid may name another process
};

// Starts the command in a process group of its own. iShow, the window style
// hint, has no meaning on Linux and is ignored. On success fills proc and
// returns true; false when the command could not be started (no arguments,
// program missing or not executable): then nothing runs.
bool StartProcess(const CommandLine& cmd, ProcessRecord& proc, std::int16_t iShow);

// Waits until the process ends or, when lTimeoutMs > 0, until that many
// milliseconds have passed on a monotonic clock (0: no limit). True when the
// process has ended or can no longer be waited for (the application is
// quitting); false when the limit passed first. Collects the process when it
// ends.
//
// Re-entrancy: the wait runs a nested event loop, so timers, console input
// and log writes run inside this call; they must not touch proc.
bool WaitForProcess(ProcessRecord& proc, std::int32_t lTimeoutMs);

// Kills the command's whole process group (SIGKILL: nothing can ignore it),
// including what it started and left running. True when the system accepted
// it; false for a process already collected, whose group may be gone.
bool KillProcess(const ProcessRecord& proc);

// Ends the daemon's hold on the process: a process that has not been
// collected yet (running, killed a moment ago, or left running after its
// limit) passes to the reaper with its descriptor. proc is empty afterwards.
void CloseProcess(ProcessRecord& proc, ChildReaper& reaper);

}  // namespace corvane
