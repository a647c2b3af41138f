#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/command_split.h"
#include "platform/processes.h"

namespace corvane {

class ChildReaper;

// How a wait ended: the process ended (and was collected), the limit passed,
// or the daemon is stopping. Only Ended means the process has ended.
enum class WaitEnd { Ended, TimedOut, Stopped };

// One started command, held while the daemon waits for it. It owns the
// process and its watch descriptor: when it goes, however that happens, the
// descriptor is closed and a process not yet collected (running, killed a
// moment ago, or left running) passes to the reaper, so that it never
// stays a zombie.
class ChildProcess {
 public:
  ChildProcess(int pid, std::string command, ChildReaper& reaper) noexcept
      : pid_(pid), command_(std::move(command)), reaper_(&reaper) {}
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ~ChildProcess();

  // Runs notice, with how the process ended, once it has ended and was
  // collected: by a wait, or, when this object goes first, by the reaper.
  void WhenCollected(std::function<void(const platform::ChildEnd&)> notice) {
    whenCollected_ = std::move(notice);
  }

  // Shown as "PID"; also the id of the command's process group.
  int pid() const { return pid_; }
  // The command line as shown in messages.
  const std::string& command() const { return command_; }
  // How it ended, once a wait has answered Ended.
  const platform::ChildEnd& end() const { return end_; }

  // Waits until the process ends, until stopRequested() is true, or, when
  // timeoutMs > 0, until that many milliseconds have passed on a monotonic
  // clock (0: no limit). stopRequested is asked before the wait and whenever
  // InterruptWaits is called; a wait that the application's end breaks off
  // counts as Stopped.
  //
  // Re-entrancy: the wait runs a nested event loop, so timers, console input
  // and log writes run inside this call; they must not touch this process.
  WaitEnd Wait(std::int32_t timeoutMs, const std::function<bool()>& stopRequested);

  // Kills the command's whole process group (SIGKILL: nothing can ignore
  // it), including what it started and left running. True when the system
  // accepted it; false for a process already collected, whose group may be
  // gone.
  bool Kill() const;

 private:
  // True once the process has ended and was collected: from then on the pid
  // may name another process.
  bool Collect();
  friend class Waiter;

  int pid_;
  std::string command_;
  ChildReaper* reaper_;
  platform::UniqueFd watch_;  // opened by the first wait
  bool ended_ = false;
  platform::ChildEnd end_;
  std::function<void(const platform::ChildEnd&)> whenCollected_;
};

// Starts the command in a process group of its own; its output goes where
// `output` says. Fails, with the system's reason, when no process could be
// had (no arguments, program missing or not executable): nothing runs then.
platform::Result<ChildProcess> StartProcess(const CommandLine& cmd, platform::CommandOutput output,
                                            ChildReaper& reaper);

// Breaks off every wait under way, so that each asks its stopRequested
// again: call it when the daemon begins to stop.
void InterruptWaits();

}  // namespace corvane
