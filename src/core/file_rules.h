#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/observation_point.h"
#include "platform/directory_listing.h"
#include "text/file_pattern.h"

namespace corvane {

class Clock;

// File attribute bits as a point's flags allow or exclude them.
namespace file_attribute {
inline constexpr std::uint32_t kReadOnly = 1;
inline constexpr std::uint32_t kHidden = 2;
inline constexpr std::uint32_t kSystem = 4;
inline constexpr std::uint32_t kDirectory = 16;
inline constexpr std::uint32_t kArchive = 32;
inline constexpr std::uint32_t kCompressed = 2048;
}  // namespace file_attribute

// The attributes a point does not allow: an entry carrying any is skipped.
std::uint32_t ExclusionMask(const ObservationPoint& point);

// The attribute bits of an entry with this status. Whether it is
// compressed is asked only when `mask` excludes compressed files.
std::uint32_t AttributesOf(const platform::DirectoryListing& listing, const std::string& name,
                           const platform::FileStatus& status, std::uint32_t mask);

// The rules an entry of a point's tree meets, in the order they are
// applied; the first that fails stops the entry.
enum class FileRule {
  Pattern,         // the name matches none of the point's patterns
  HiddenOrSystem,  // hidden or system, and the point does not allow it
  Gone,            // its status cannot be read: gone since it was listed
  Attributes,      // read-only, archive or compressed, and not allowed
  CommandRunning,  // the point's command for this file still runs
  Age,             // younger than the point's LastChange
  Exclusive,       // another process has it open, or it cannot be had alone
  Unsettled,       // shared point: size or time changed since the check before
  None,            // nothing stops it: it is handed over
};

// What the rules found for one entry: the first rule that stops it, and
// what the later rules need to tell about it.
struct FileVerdict {
  FileRule stoppedBy = FileRule::None;
  platform::FileStatus status;  // when the status could be read
  std::uint32_t attributes = 0;
  int runningPid = 0;  // CommandRunning: the command's pid
  // Too young: when it comes of age (seconds since the epoch); nothing when
  // the point's Period names no unit, so that it never does.
  std::optional<std::int64_t> comesOfAge;
  // The exclusive test's answer, when it was made. It is made whatever the
  // age, so that a busy file is told about even while it is too young.
  std::optional<platform::Exclusive> exclusive;
};

// What a shared point's rules do with its record of the files seen: a
// check records what it sees, a look from outside only reads.
enum class StabilityUse { Record, Look };

// What a point's check prepares once and every entry's rules read.
struct PointRules {
  explicit PointRules(const ObservationPoint& point, StabilityUse stability = StabilityUse::Look);

  // A folder the point moves its files into after their command: the walk
  // never goes into it, so that a file is not handed over again.
  bool IsOutcomeFolder(const platform::DirectoryListing& folder) const;

  const ObservationPoint& point;
  const FilePatternList patterns;
  const std::uint32_t mask;
  std::vector<platform::FileIdentity> outcomeFolders;  // those that exist
  const StabilityUse stability;
};

// The rules for the entry `name` of `listing`, the directory `dir` (ending
// with "/") of the point's tree. A directory that the walk enters is no
// entry for these rules. Opens the file only for the exclusive test;
// `foreign` is read once per check, where leases are refused. Writes no log
// line: what is told about an entry is the caller's.
FileVerdict JudgeEntry(const PointRules& rules, const platform::DirectoryListing& listing,
                       const std::string& dir, const std::string& name, const Clock& clock,
                       platform::ForeignOpenFiles& foreign);

}  // namespace corvane
