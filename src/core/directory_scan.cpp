#include "core/directory_scan.h"

#include <algorithm>
#include <climits>
#include <set>
#include <utility>
#include <vector>

#include "core/daemon_error.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/run_command.h"
#include "core/shared_point.h"
#include "core/std_helpers.h"
#include "core/stop_request.h"
#include "lang/untranslated_texts.h"
#include "platform/directory_listing.h"
#include "platform/files.h"

namespace corvane {

// What one check of a point shares across the levels of its walk: the
// point, its rules (prepared once per check, not per entry), the
// directories entered so far (so that neither a link back up nor a second
// way to the same directory is followed), and the lazily read table of files
// other processes hold open.
class ScanWalk {
 public:
  explicit ScanWalk(ObservationPoint& point) : point(point), rules(point, StabilityUse::Record) {}

  ObservationPoint& point;
  const PointRules rules;
  platform::ForeignOpenFiles foreign;
  std::set<std::string> busy;  // full paths
  std::optional<std::int64_t> comesOfAge;
  std::set<std::pair<unsigned long long, unsigned long long>> entered;  // device, inode
};

namespace {

using platform::DirectoryListing;
using platform::EntryKind;
using platform::FileStatus;

// True the first time a check meets the directory. A directory met again,
// through a link back up or a second link to it, would hand its files out
// twice in one check (or walk in circles); one whose identity cannot be
// read is not entered either.
bool FirstVisit(ScanWalk& walk, const DirectoryListing& listing) {
  const platform::Result<platform::FileIdentity> id = listing.Identity();
  return id && walk.entered.emplace(id->device, id->inode).second;
}

// A link is never a directory here, whatever it points to: following one
// would let whoever writes into the hot folder aim the command elsewhere.
bool IsDirectoryEntry(const DirectoryListing& listing, const std::string& name, EntryKind kind) {
  if (kind != EntryKind::Unknown) return kind == EntryKind::Directory;
  const platform::Result<FileStatus> status = listing.Status(name);
  return status && status->isDirectory;
}

}  // namespace

DirectoryScanner::DirectoryScanner(const DaemonState& state, Log& log, const Clock& clock,
                                   CommandRunner& runner)
    : state_(state), log_(log), clock_(clock), runner_(runner) {}

CheckResult DirectoryScanner::CheckDirectory(const std::string& dir, ObservationPoint& point) {
  // A shared folder that cannot be used now is told of and tried again at
  // the next check.
  if (point.shared && !PrepareSharedCheck(log_, state_, point)) {
    return {CheckStatus::NothingQualified, 0};
  }
  ScanWalk walk(point);
  DirectoryListing listing(dir);  // the point's own directory may be a link
  const std::optional<std::int32_t> total = CheckLevel(walk, listing, dir);
  if (point.sharedState) point.sharedState->stability.EndCheck();
  point.busyFiles.swap(walk.busy);
  point.comesOfAge = walk.comesOfAge;
  if (!total) return {CheckStatus::UnexpectedError, 0};
  if (*total == 0) return {CheckStatus::NothingQualified, 0};
  return {CheckStatus::FilesHandled, *total};
}

std::optional<std::int32_t> DirectoryScanner::CheckLevel(ScanWalk& walk, DirectoryListing& listing,
                                                         const std::string& dir) {
  try {
    if (listing.OutOfDescriptors()) {
      log_.Message(txt::DirectoryOutOfDescriptors, LogLevel::Error, {dir});
      return 0;
    }
    if (!FirstVisit(walk, listing)) return 0;
    std::int32_t total = 0;
    while (!StopRequested(state_)) {
      const platform::ListingEntry* entry = listing.Next();
      if (!entry) break;
      const std::string& name = entry->name;
      if (walk.point.shared && name == kSharedFolderName && dir == walk.point.directory) continue;
      if (!walk.point.noSubdirectories && IsDirectoryEntry(listing, name, entry->kind)) {
        DirectoryListing sub(listing, name);
        if (walk.rules.IsOutcomeFolder(sub)) continue;
        // A failed level below has logged its error; its part of the
        // tree counts for nothing.
        const std::int32_t below = CheckLevel(walk, sub, dir + name + "/").value_or(0);
        if (total > INT32_MAX - below) throw OverflowError();
        total += below;
        continue;
      }
      if (EntryQualifies(walk, listing, dir, name) && HandOver(walk, dir, name)) {
        Inc(total);
      }
    }
    return total;
  } catch (const std::exception& error) {
    log_.WriteLog(ErrorLine("modMain::fCheckDirectory:", error), LogLevel::Error);
    return std::nullopt;
  }
}

bool DirectoryScanner::EntryQualifies(ScanWalk& walk, const DirectoryListing& listing,
                                      const std::string& dir, const std::string& name) {
  const FileVerdict verdict = JudgeEntry(walk.rules, listing, dir, name, clock_, walk.foreign);
  if (verdict.stoppedBy == FileRule::CommandRunning) {
    log_.Message(txt::CommandStillRunning, LogLevel::Debug, {dir + name, verdict.runningPid});
  }
  if (verdict.comesOfAge && (!walk.comesOfAge || *verdict.comesOfAge < *walk.comesOfAge)) {
    walk.comesOfAge = verdict.comesOfAge;
  }
  if (verdict.exclusive && *verdict.exclusive != platform::Exclusive::Yes) {
    TellExclusiveRefusal(walk, dir, name, *verdict.exclusive);
  }
  return verdict.stoppedBy == FileRule::None;
}

bool DirectoryScanner::HandOver(ScanWalk& walk, const std::string& dir, const std::string& name) {
  ObservationPoint& point = walk.point;
  if (!point.shared) {
    runner_.RunCommand(dir, name, point);
    return true;
  }
  // A long walk beats on its own: no other check runs meanwhile.
  BeatIfDue(state_, *point.sharedState);
  if (StopRequested(state_)) return false;
  using Outcome = SharedFolder::ClaimOutcome;
  const std::optional<SharedFolder::ClaimResult> claim = ClaimForCommand(log_, point, dir, name);
  // On an SMB share a file a client holds open cannot be renamed: it is
  // busy, as if the exclusive test had found it so, whatever the point asks.
  if (claim && claim->outcome == Outcome::InUse) {
    TellExclusiveRefusal(walk, dir, name, platform::Exclusive::No);
    return false;
  }
  if (!claim || claim->outcome != Outcome::Claimed) return false;
  const std::string& claimed = claim->claimedPath;
  if (point.exclusive) {
    const platform::Exclusive exclusive =
        point.sharedState->folder->TestExclusive(claimed, walk.foreign);
    if (exclusive != platform::Exclusive::Yes) {
      TellExclusiveRefusal(walk, dir, name, exclusive);
      ReturnClaimed(log_, state_, point, claimed, dir + name);
      return false;
    }
  }
  runner_.RunCommand(dir, name, point, claimed);
  ReturnClaimed(log_, state_, point, claimed, dir + name);
  return true;
}

void DirectoryScanner::TellExclusiveRefusal(ScanWalk& walk, const std::string& dir,
                                            const std::string& name,
                                            platform::Exclusive exclusive) {
  const ObservationPoint& point = walk.point;
  const std::int32_t retry = point.interval;
  if (exclusive == platform::Exclusive::OutOfDescriptors) {
    log_.Message(txt::FileOutOfDescriptors, LogLevel::Error, {name, retry});
    return;
  }
  // Change events look again soon and often: a file that stays busy is
  // told once, not at every look.
  const std::string path = dir + name;
  if (!point.watch || !point.busyFiles.contains(path)) {
    log_.Message(txt::NoExclusiveAccess, LogLevel::Warning, {name, retry});
  }
  walk.busy.insert(path);
}

}  // namespace corvane
