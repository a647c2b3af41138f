#include "core/file_rules.h"

#include <QDateTime>
#include <algorithm>

#include "core/clock.h"
#include "core/file_age.h"
#include "core/shared_point.h"
#include "platform/files.h"

namespace corvane {

namespace {

// Whether a shared point's file kept its size and time since the check
// before: a writer on another machine is seen only so.
bool Settled(const PointRules& rules, const std::string& path) {
  const platform::Result<platform::EntryIdentity> entry = platform::IdentityOfEntry(path);
  const std::shared_ptr<SharedPointState>& shared = rules.point.sharedState;
  if (!entry || !shared) return false;
  const FileState state{static_cast<std::uint64_t>(entry->size),
                        std::chrono::system_clock::time_point(
                            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                std::chrono::nanoseconds(entry->modifiedNs)))};
  return rules.stability == StabilityUse::Record ? shared->stability.Unchanged(path, state)
                                                 : shared->stability.SeenAs(path, state);
}

}  // namespace

std::uint32_t ExclusionMask(const ObservationPoint& point) {
  std::uint32_t mask = 0;
  if (!point.readOnly) mask |= file_attribute::kReadOnly;
  if (!point.hidden) mask |= file_attribute::kHidden;
  if (!point.system) mask |= file_attribute::kSystem;
  if (!point.archive) mask |= file_attribute::kArchive;
  if (!point.compressed) mask |= file_attribute::kCompressed;
  return mask;
}

std::uint32_t AttributesOf(const platform::DirectoryListing& listing, const std::string& name,
                           const platform::FileStatus& status, std::uint32_t mask) {
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

PointRules::PointRules(const ObservationPoint& point, StabilityUse stability)
    : point(point), patterns(point.filePattern), mask(ExclusionMask(point)), stability(stability) {
  for (const std::string* folder : {&point.successFolder, &point.failureFolder}) {
    if (folder->empty()) continue;
    if (const auto id = platform::IdentityOfDirectory(*folder)) outcomeFolders.push_back(*id);
  }
}

bool PointRules::IsOutcomeFolder(const platform::DirectoryListing& folder) const {
  if (outcomeFolders.empty()) return false;
  const platform::Result<platform::FileIdentity> id = folder.Identity();
  return id && std::find(outcomeFolders.begin(), outcomeFolders.end(), *id) != outcomeFolders.end();
}

FileVerdict JudgeEntry(const PointRules& rules, const platform::DirectoryListing& listing,
                       const std::string& dir, const std::string& name, const Clock& clock,
                       platform::ForeignOpenFiles& foreign) {
  FileVerdict verdict;
  const auto stop = [&verdict](FileRule rule) {
    verdict.stoppedBy = rule;
    return verdict;
  };
  // The name first: most entries of a big tree fail it and need no status.
  if (!rules.patterns.Matches(name)) return stop(FileRule::Pattern);
  if ((rules.mask & file_attribute::kHidden) && name.starts_with('.')) {
    return stop(FileRule::HiddenOrSystem);
  }
  const platform::Result<platform::FileStatus> listed = listing.Status(name);
  if (!listed) return stop(FileRule::Gone);
  verdict.status = *listed;
  verdict.attributes = AttributesOf(listing, name, verdict.status, rules.mask);
  const std::uint32_t refused = verdict.attributes & rules.mask;
  if (refused & (file_attribute::kHidden | file_attribute::kSystem)) {
    return stop(FileRule::HiddenOrSystem);
  }
  if (refused) return stop(FileRule::Attributes);
  // Recorded at every sighting, so that a file too young or busy now does
  // not wait a further check once it is neither.
  const ObservationPoint& point = rules.point;
  const bool settled = !point.shared || Settled(rules, dir + name);

  // Handed over a second time, the file would go to two commands at once;
  // nor is it opened for the exclusive test while its command may hold it.
  if (point.running) {
    const auto entry = point.running->find(dir + name);
    if (entry != point.running->end()) {
      verdict.runningPid = entry->second;
      return stop(FileRule::CommandRunning);
    }
  }

  // Ages cost a clock read and a time-zone conversion: only when asked for.
  const QDateTime lastWrite = QDateTime::fromSecsSinceEpoch(verdict.status.mtimeSeconds);
  const bool ageMatters = point.minimumAge >= 1 && !point.ageUnit.empty();
  const bool oldEnough = !ageMatters || PassesAgeTest(point, lastWrite, clock.Now());
  if (!oldEnough) {
    if (const std::optional<QDateTime> due = ComesOfAge(point, lastWrite)) {
      verdict.comesOfAge = due->toSecsSinceEpoch();
    }
  }
  // A shared point opens a file only once it has claimed it: on an SMB share
  // an open file can be neither removed nor renamed, so a daemon that opened
  // a file another had just claimed would make that one's command fail.
  if (point.exclusive && !point.shared) {
    verdict.exclusive = listing.TestExclusive(name, verdict.status, foreign);
  }
  if (!oldEnough) return stop(FileRule::Age);
  if (verdict.exclusive && *verdict.exclusive != platform::Exclusive::Yes) {
    return stop(FileRule::Exclusive);
  }
  if (!settled) return stop(FileRule::Unsettled);
  return verdict;
}

}  // namespace corvane
