#include "core/stop_request.h"

#include "core/daemon_state.h"
#include "platform/stop_signals.h"

namespace corvane {

bool StopRequested(const DaemonState& state) {
  return state.quitting || platform::StopSignalPending();
}

}  // namespace corvane
