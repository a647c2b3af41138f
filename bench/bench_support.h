#pragma once

// What the benchmarks share: a daemon core that logs into nothing, the plain
// spawn-and-wait peer, and timing in alternating rounds.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/child_reaper.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/run_command.h"
#include "lang/language.h"

namespace corvane::bench {

using Steady = std::chrono::steady_clock;

// The core's command runner at log level Info: the Debug lines are made but
// not shown, as in a daemon run with the default settings.
struct QuietCore {
  DaemonState state;
  Language language;
  SystemClock clock;
  Log log{state, language, clock};  // its lines go nowhere
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
};

// Runs argv (looked up in PATH) to its end, its output thrown away; false
// when it could not be started or failed.
bool SpawnAndWait(std::vector<const char*> argv);

double Seconds(Steady::duration d);

// Both sides in rounds, the order swapped every round: a burst of load from
// elsewhere then spoils single rounds, and the median ratio ignores them.
struct Comparison {
  Steady::duration ours{};
  Steady::duration peer{};
  std::vector<double> ratios;
};
Comparison Compare(int rounds, const std::function<void()>& ours,
                   const std::function<void()>& peer);

// Prints both totals and the median ratio against the target.
void Print(const char* ourName, const char* peerName, Comparison c, double target);

}  // namespace corvane::bench
