#include "core/daemon.h"

namespace corvane {

Daemon::Daemon(LogView& view, DesktopHost& desktop, const Clock& clock)
    : log(state, language, view, desktop, clock),
      runner(log, state, reaper),
      scanner(state, log, clock, runner),
      cycle(state, log, scanner),
      loader(state, log),
      lock(log) {}

}  // namespace corvane
