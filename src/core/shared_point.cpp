#include "core/shared_point.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "core/daemon_id.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/stop_request.h"
#include "lang/untranslated_texts.h"
#include "platform/shared_files.h"

namespace corvane {
namespace {

constexpr std::chrono::milliseconds kShortestBeatPeriod{250};
constexpr std::chrono::milliseconds kLongestBeatPeriod{5000};

bool Touch(SharedPointState& shared) {
  if (!shared.folder || !shared.folder->Beat()) return false;
  shared.lastBeat = std::chrono::steady_clock::now();
  return true;
}

bool CommandRuns(const ObservationPoint& point, const std::string& path) {
  return point.running && point.running->contains(path);
}

// Opens the claim folder of the point and gives back what this daemon held
// when it stopped or died.
bool OpenFolder(Log& log, const DaemonState& state, ObservationPoint& point) {
  SharedPointState& shared = *point.sharedState;
  platform::Result<SharedFolder> opened = SharedFolder::Open(
      point.directory, SharedDaemonId(state), [&state] { return StopRequested(state); });
  if (!opened) {
    // Told as an Error once while the reason stays the same, not at every
    // check of a point that may be checked every second.
    const bool told = shared.openFailure == opened.error().text;
    log.Message(txt::SharedOpenFailed, told ? LogLevel::Debug : LogLevel::Error,
                {point.name, point.directory, opened.error().text});
    shared.openFailure = opened.error().text;
    return false;
  }
  shared.openFailure.clear();
  shared.folder.emplace(*std::move(opened));
  const platform::Result<std::size_t> returned = shared.folder->ReturnAllOwn();
  if (returned && *returned > 0) {
    log.Message(txt::SharedOwnReturned, LogLevel::Info,
                {point.name, static_cast<std::int64_t>(*returned), point.directory});
  }
  return true;
}

}  // namespace

std::string SharedDaemonId(const DaemonState& state) {
  if (!state.sharedDaemonId.empty()) return state.sharedDaemonId;
  return DaemonId(platform::HostName(), state.xmlFile);
}

std::chrono::milliseconds BeatPeriod(std::int32_t staleSeconds) {
  return std::clamp(std::chrono::milliseconds(staleSeconds) * 1000 / 4, kShortestBeatPeriod,
                    kLongestBeatPeriod);
}

bool PrepareSharedCheck(Log& log, const DaemonState& state, ObservationPoint& point) {
  // A new id (another observation file) is a new daemon to the folder; the
  // claims of the old one are returned once its heartbeat is stale.
  if (!point.sharedState ||
      (point.sharedState->folder && point.sharedState->folder->daemonId() != SharedDaemonId(state)))
    point.sharedState = std::make_shared<SharedPointState>();
  SharedPointState& shared = *point.sharedState;
  if (!shared.folder && !OpenFolder(log, state, point)) return false;
  SharedFolder& folder = *shared.folder;
  if (const platform::Result<platform::FileTime> beat = folder.Beat(); !beat) {
    log.Message(txt::SharedBeatFailed, LogLevel::Error,
                {point.name, point.directory, beat.error().text});
    return false;
  }
  shared.lastBeat = std::chrono::steady_clock::now();
  const platform::Result<std::vector<SharedFolder::StaleReturn>> stale =
      folder.ReturnStale(std::chrono::seconds(state.staleSeconds));
  if (!stale) {
    log.Message(txt::SharedStaleFailed, LogLevel::Error, {point.name, stale.error().text});
  } else {
    for (const SharedFolder::StaleReturn& daemon : *stale) {
      log.Message(txt::SharedStaleReturned, LogLevel::Warning,
                  {point.name, daemon.daemonId, state.staleSeconds,
                   static_cast<std::int64_t>(daemon.returned),
                   static_cast<std::int64_t>(daemon.leftBehind)});
    }
  }
  // Files of commands that ran on by themselves and have ended, and any a
  // return after the command could not put back.
  (void)folder.ReturnAllOwn(
      [&point](const std::string& claimed) { return CommandRuns(point, claimed); });
  return true;
}

void BeatIfDue(const DaemonState& state, SharedPointState& shared) {
  if (std::chrono::steady_clock::now() - shared.lastBeat >= BeatPeriod(state.staleSeconds)) {
    Touch(shared);
  }
}

void BeatSharedPoints(const DaemonState& state) {
  for (const ObservationPoint& point : state.points) {
    if (point.sharedState) BeatIfDue(state, *point.sharedState);
  }
}

std::optional<SharedFolder::ClaimResult> ClaimForCommand(Log& log, ObservationPoint& point,
                                                         const std::string& dir,
                                                         const std::string& name) {
  const std::string path = dir + name;
  if (!point.sharedState || !point.sharedState->folder) return std::nullopt;
  using Outcome = SharedFolder::ClaimOutcome;
  const platform::Result<SharedFolder::ClaimResult> claim =
      point.sharedState->folder->Claim(path.substr(point.directory.size()));
  if (!claim) {
    log.Message(txt::SharedClaimFailed, LogLevel::Error, {path, claim.error().text});
    return std::nullopt;
  }
  switch (claim->outcome) {
    case Outcome::TakenByOther:
      log.Message(txt::SharedTakenByOther, LogLevel::Debug, {path});
      break;
    case Outcome::AlreadyHeld: log.Message(txt::SharedAlreadyHeld, LogLevel::Debug, {path}); break;
    case Outcome::Claimed:
    case Outcome::InUse: break;
  }
  return *claim;
}

void ReturnClaimed(Log& log, const DaemonState& state, ObservationPoint& point,
                   const std::string& claimedPath, const std::string& original) {
  if (StopRequested(state) || CommandRuns(point, claimedPath)) return;
  if (!point.sharedState || !point.sharedState->folder) return;
  const platform::Result<std::string> returned = point.sharedState->folder->Return(claimedPath);
  if (!returned) {
    // Gone: the point's folder for success or failure has it.
    if (returned.error().code != ENOENT) {
      log.Message(txt::SharedReturnFailed, LogLevel::Error, {original, returned.error().text});
    }
    return;
  }
  const std::string now = point.directory + *returned;
  if (now == original) {
    log.Message(txt::SharedReturned, LogLevel::Debug, {original});
  } else {
    log.Message(txt::SharedReturnedRenamed, LogLevel::Info, {original, now});
  }
}

}  // namespace corvane
