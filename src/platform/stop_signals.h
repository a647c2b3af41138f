#pragma once

// The signals that ask the daemon to stop in order.

#include <string>

#include "platform/unique_fd.h"

namespace corvane::platform {

// Catches SIGTERM, SIGINT and SIGHUP while it lives: each makes ReadEnd
// readable and StopSignalPending true. Also ignores SIGPIPE, so that a write
// to a closed pipe or terminal is an error and not the end of the daemon.
// One wakes at a time: the newest, also while an older one still lives (as
// when a holder is replaced by a new one). The destructor closes the pipe;
// the signals stay caught, so that one arriving later only sets the flag.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Close-on-exec, owned by this object; -1 when no pipe could be had (the
  // flag still works).
  int ReadEnd() const { return pipe_.readEnd.get(); }
  // Takes what the pipe holds, so that it is not reported again.
  void Drain() const { pipe_.Drain(); }

 private:
  WakePipe pipe_;
};

// True once a stop signal has arrived while a StopSignals lived. Safe to
// ask at any time, also while the event loop does not turn.
bool StopSignalPending();
// The name of the first stop signal that arrived ("SIGTERM"); empty when
// none has.
std::string PendingStopSignalName();

}  // namespace corvane::platform
