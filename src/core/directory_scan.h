#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/check_cycle.h"

namespace corvane {

class Clock;
struct DaemonState;
class CommandRunner;
class Log;
class ScanWalk;

namespace platform {
class DirectoryListing;
struct FileStatus;
}  // namespace platform

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

// One look at a point's directory (and, unless noSubdirectories, everything below
// it): every entry that passes the attribute, name, age and exclusive tests
// is handed to the point's command. Nothing is remembered between checks.
class DirectoryScanner final : public DirectoryCheck {
 public:
  // Stops handing out files once the orderly stop has begun.
  DirectoryScanner(const DaemonState& state, Log& log, const Clock& clock, CommandRunner& runner);

  // dir ends with "/".
  CheckResult CheckDirectory(const std::string& dir, ObservationPoint& point) override;

 private:
  // Files handled in dir and below; nothing when this level failed.
  std::optional<std::int32_t> CheckLevel(ScanWalk& walk, platform::DirectoryListing& listing,
                                         const std::string& dir);
  // The attribute, name, running command, age and exclusive tests of one
  // entry of dir.
  bool EntryQualifies(ScanWalk& walk, const platform::DirectoryListing& listing,
                      const std::string& dir, const std::string& name);
  // True, with a Debug line, while the point's command for dir + name runs.
  bool CommandStillRuns(const ObservationPoint& point, const std::string& dir,
                        const std::string& name);
  // The exclusive test; a refusal is logged with its reason (at a point
  // woken by changes, once while the file stays busy) and remembered.
  bool HadExclusively(ScanWalk& walk, const platform::DirectoryListing& listing,
                      const std::string& dir, const std::string& name,
                      const platform::FileStatus& status);

  const DaemonState& state_;
  Log& log_;
  const Clock& clock_;
  CommandRunner& runner_;
};

}  // namespace corvane
