#pragma once

// Starting, watching and ending commands. A started command is known by its
// pid, which is also the id of the process group it leads. Only the pids
// handed out by SpawnProcess are ever waited for: the daemon never collects
// "any child", since other parts may own children of their own.

#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

// Where a started command's standard output and standard error go: to the
// daemon's standard error (console mode: never into the log lines on
// standard output), or nowhere (window mode).
enum class CommandOutput { DaemonStderr, Discard };

// Starts args[0] with args as its arguments and gives its pid. A name
// without "/" is looked up in PATH. The command leads a new process group
// of its own; its standard input is /dev/null, its output goes where
// `output` says, and its signal dispositions and mask are the defaults. A
// program that cannot be started (missing, not executable, a directory,
// empty args) fails here, with the system's text for the error: nothing
// runs then.
Result<int> SpawnProcess(const std::vector<std::string>& args, CommandOutput output);

// A close-on-exec descriptor that becomes readable when the process ends
// (a pidfd); none where the system offers none.
UniqueFd OpenProcessWatch(int pid);

// Blocks until fd is readable or timeoutMs has passed; false on the timeout,
// on a signal, or for no descriptor.
bool AwaitReadable(int fd, int timeoutMs);

// How a collected child ended, where that could be seen.
struct ChildEnd {
  bool known = false;      // false: it was no (longer a) child of ours to collect
  bool signalled = false;  // ended by a signal, whose number is code
  int code = 0;            // its exit code, or the signal's number
};

// Collects the exit status of the child pid when it has ended. True when the
// child is gone: collected now, or not (or no longer) a child to wait for;
// `end`, when given, then says how it ended. False while it runs. Never
// blocks.
bool ReapProcess(int pid, ChildEnd* end = nullptr);

// Sends SIGKILL to every process of the group pgid: the command, and whatever
// it started without leaving the group. True when the system accepted it.
bool KillProcessGroup(int pgid);

// Tells that some child has ended, with one pipe for all of them: SIGCHLD
// writes a byte into it. Children are then collected by pid (ReapProcess).
// Several may exist at a time (up to a small number; beyond it ReadEnd is
// -1 and the owner has to look on its own).
class ChildEndSignal {
 public:
  ChildEndSignal();
  ~ChildEndSignal();
  ChildEndSignal(const ChildEndSignal&) = delete;
  ChildEndSignal& operator=(const ChildEndSignal&) = delete;

  // Close-on-exec, owned by this object; readable once a child has ended
  // since the last Drain.
  int ReadEnd() const { return pipe_.readEnd.get(); }
  void Drain() const { pipe_.Drain(); }

 private:
  WakePipe pipe_;
  int slot_ = -1;
};

}  // namespace corvane::platform
