#include "core/daemon.h"

namespace corvane {

Daemon::Daemon(const Clock& clock)
    : clock(clock),
      log(state, language, clock),
      runner(log, state, reaper),
      scanner(state, log, clock, runner),
      cycle(state, log, scanner),
      loader(state, log),
      lock(log) {}

}  // namespace corvane
