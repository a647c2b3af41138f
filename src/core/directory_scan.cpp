#include "core/directory_scan.h"

#include <algorithm>
#include <climits>
#include <set>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/daemon_error.h"
#include "core/daemon_state.h"
#include "core/file_age.h"
#include "core/log.h"
#include "core/run_command.h"
#include "core/std_helpers.h"
#include "core/stop_request.h"
#include "lang/untranslated_texts.h"
#include "platform/directory_listing.h"
#include "platform/files.h"
#include "text/file_pattern.h"

namespace corvane {

std::uint32_t ExclusionMask(const ObservationPoint& point) {
  std::uint32_t mask = 0;
  if (!point.readOnly) mask |= file_attribute::kReadOnly;
  if (!point.hidden) mask |= file_attribute::kHidden;
  if (!point.system) mask |= file_attribute::kSystem;
  if (!point.archive) mask |= file_attribute::kArchive;
  if (!point.compressed) mask |= file_attribute::kCompressed;
  return mask;
}

// What one check of a point shares across the levels of its walk: the
// point, its patterns and mask (prepared once per check, not per entry), the
// directories entered so far (so that neither a link back up nor a second
// way to the same directory is followed), and the lazily read table of files
// other processes hold open.
class ScanWalk {
 public:
  explicit ScanWalk(ObservationPoint& point)
      : point(point), patterns(point.filePattern), mask(ExclusionMask(point)) {
    for (const std::string* folder : {&point.successFolder, &point.failureFolder}) {
      if (folder->empty()) continue;
      if (const auto id = platform::IdentityOfDirectory(*folder)) outcomeFolders.push_back(*id);
    }
  }

  // Where the point's files go after their command: never handed over again.
  bool IsOutcomeFolder(const platform::DirectoryListing& listing) const {
    if (outcomeFolders.empty()) return false;
    const platform::Result<platform::FileIdentity> id = listing.Identity();
    return id && std::ranges::find(outcomeFolders, *id) != outcomeFolders.end();
  }

  ObservationPoint& point;
  const FilePatternList patterns;
  const std::uint32_t mask;
  platform::ForeignOpenFiles foreign;
  std::set<std::string> busy;  // full paths
  std::optional<std::int64_t> comesOfAge;
  std::set<std::pair<unsigned long long, unsigned long long>> entered;  // device, inode
  std::vector<platform::FileIdentity> outcomeFolders;
};

namespace {

using platform::DirectoryListing;
using platform::EntryType;
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
bool IsDirectoryEntry(const DirectoryListing& listing, const std::string& name, EntryType type) {
  if (type != EntryType::Unknown) return type == EntryType::Directory;
  const platform::Result<FileStatus> status = listing.Status(name);
  return status && status->isDirectory;
}

std::uint32_t AttributesOf(const DirectoryListing& listing, const std::string& name,
                           const FileStatus& status, std::uint32_t mask) {
  std::uint32_t attributes = 0;
  if (name.starts_with('.')) attributes |= file_attribute::kHidden;
  if (!status.ownerWritable) attributes |= file_attribute::kReadOnly;
  if (status.isDirectory) attributes |= file_attribute::kDirectory;
  if (!status.isRegular && !status.isDirectory) attributes |= file_attribute::kSystem;  // links too
  // Only worth a statx when the point cares.
  if ((mask & file_attribute::kCompressed) && listing.IsCompressed(name)) {
    attributes |= file_attribute::kCompressed;
  }
  return attributes;
}

}  // namespace

DirectoryScanner::DirectoryScanner(const DaemonState& state, Log& log, const Clock& clock,
                                   CommandRunner& runner)
    : state_(state), log_(log), clock_(clock), runner_(runner) {}

CheckResult DirectoryScanner::CheckDirectory(const std::string& dir, ObservationPoint& point) {
  ScanWalk walk(point);
  DirectoryListing listing(dir);  // the point's own directory may be a link
  const std::optional<std::int32_t> total = CheckLevel(walk, listing, dir);
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
      if (!walk.point.noSubdirectories && IsDirectoryEntry(listing, name, entry->type)) {
        DirectoryListing sub(listing, name);
        if (walk.IsOutcomeFolder(sub)) continue;
        // A failed level below has logged its error; its part of the
        // tree counts for nothing.
        const std::int32_t below = CheckLevel(walk, sub, dir + name + "/").value_or(0);
        if (total > INT32_MAX - below) throw OverflowError();
        total += below;
        continue;
      }
      if (EntryQualifies(walk, listing, dir, name)) {
        runner_.RunCommand(dir, name, walk.point);
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
  // The name first: most entries of a big tree fail it and need no status.
  if ((walk.mask & file_attribute::kHidden) && name.starts_with('.')) return false;
  if (!walk.patterns.Matches(name)) return false;
  const platform::Result<FileStatus> listed = listing.Status(name);
  if (!listed) return false;  // gone since it was listed
  const FileStatus& status = *listed;
  if (AttributesOf(listing, name, status, walk.mask) & walk.mask) return false;
  const ObservationPoint& point = walk.point;
  // Handed over a second time, the file would go to two commands at once;
  // nor is it opened for the exclusive test while its command may hold it.
  if (CommandStillRuns(point, dir, name)) return false;

  // Ages cost a clock read and a time-zone conversion: only when asked for.
  const bool ageMatters = point.minimumAge >= 1 && !point.ageUnit.empty();
  const bool oldEnough =
      !ageMatters ||
      PassesAgeTest(point, QDateTime::fromSecsSinceEpoch(status.mtimeSeconds), clock_.Now());
  if (!oldEnough) {
    const std::optional<QDateTime> due =
        ComesOfAge(point, QDateTime::fromSecsSinceEpoch(status.mtimeSeconds));
    if (due && (!walk.comesOfAge || due->toSecsSinceEpoch() < *walk.comesOfAge)) {
      walk.comesOfAge = due->toSecsSinceEpoch();
    }
  }
  // The exclusive test runs whatever the age, so that its refusal is logged.
  const bool exclusive = !point.exclusive || HadExclusively(walk, listing, dir, name, status);
  return oldEnough && exclusive;
}

bool DirectoryScanner::CommandStillRuns(const ObservationPoint& point, const std::string& dir,
                                        const std::string& name) {
  if (!point.running || point.running->empty()) return false;
  const std::string path = dir + name;
  const auto entry = point.running->find(path);
  if (entry == point.running->end()) return false;
  log_.Message(txt::CommandStillRunning, LogLevel::Debug, {path, entry->second});
  return true;
}

bool DirectoryScanner::HadExclusively(ScanWalk& walk, const DirectoryListing& listing,
                                      const std::string& dir, const std::string& name,
                                      const FileStatus& status) {
  const ObservationPoint& point = walk.point;
  const std::int32_t retry = point.interval;
  switch (listing.TestExclusive(name, status, walk.foreign)) {
    case platform::Exclusive::Yes: return true;
    case platform::Exclusive::No: {
      // Change events look again soon and often: a file that stays busy is
      // told once, not at every look.
      const std::string path = dir + name;
      if (!point.watch || !point.busyFiles.contains(path)) {
        log_.Message(txt::NoExclusiveAccess, LogLevel::Warning, {name, retry});
      }
      walk.busy.insert(path);
      return false;
    }
    case platform::Exclusive::OutOfDescriptors:
      log_.Message(txt::FileOutOfDescriptors, LogLevel::Error, {name, retry});
      return false;
  }
  return false;
}

}  // namespace corvane
