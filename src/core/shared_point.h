#pragma once

// What the check of a point whose folder other daemons share does besides
// the scan: the claim folder opened, the heartbeat, the claims of dead
// daemons returned, and each file claimed before its command and returned
// after it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "core/file_stability.h"
#include "core/observation_point.h"
#include "core/shared_folder.h"

namespace corvane {

class Log;
struct DaemonState;

struct SharedPointState {
  std::optional<SharedFolder> folder;  // open from the first check that managed it
  StabilityRecord stability;
  std::chrono::steady_clock::time_point lastBeat;
  std::string openFailure;  // why the folder could not be opened last time
};

// The id this daemon goes by in the folders it shares.
std::string SharedDaemonId(const DaemonState& state);

// How often the heartbeat is touched: several times within the age after
// which other daemons take this one for dead.
std::chrono::milliseconds BeatPeriod(std::int32_t staleSeconds);

// Before a shared point's scan: its claim folder opened on first use (and
// what this daemon held before it started again returned), the heartbeat
// touched, the files of daemons that have not beaten for staleSeconds
// returned, and those of its own whose command has ended returned. False
// when the point is to be skipped this time; the reason is logged.
bool PrepareSharedCheck(Log& log, const DaemonState& state, ObservationPoint& point);

// Touches the heartbeat of every shared point whose last one is a beat
// period old: while a check waits for a command, no check beats.
void BeatSharedPoints(const DaemonState& state);
void BeatIfDue(const DaemonState& state, SharedPointState& shared);

// Claims the file `name` of `dir`, a folder of the point's tree, for its
// command. Tells at Debug when another daemon has it or this one still
// holds a file of that name, not when it is in use: that is the caller's to
// tell, as a busy file. Nothing when it cannot be claimed (logged).
std::optional<SharedFolder::ClaimResult> ClaimForCommand(Log& log, ObservationPoint& point,
                                                         const std::string& dir,
                                                         const std::string& name);

// After the command, or when the claimed file turned out to be in use: a
// claimed file still in the claim folder goes back to `original`, its full
// path before the claim, or beside it under a free name. Not while its
// command still runs or the daemon stops: the command may still use it (the
// daemon returns it when it starts again).
void ReturnClaimed(Log& log, const DaemonState& state, ObservationPoint& point,
                   const std::string& claimedPath, const std::string& original);

}  // namespace corvane
