#pragma once

namespace corvane {

struct DaemonState;

// True once the orderly stop has begun, and also as soon as a stop signal
// has arrived, before the event loop has turned to handle it: a long walk
// asks between entries and starts no command after it.
bool StopRequested(const DaemonState& state);

}  // namespace corvane
