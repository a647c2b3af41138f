#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/check_cycle.h"
#include "core/file_rules.h"

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

// One look at a point's directory (and, unless noSubdirectories, everything below
// it): every entry that passes the attribute, name, age and exclusive tests
// is handed to the point's command. Only a shared point remembers anything
// between checks: what it saw of each file, and its claim folder.
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
  // The rules of one entry of dir, and what the log and the change events
  // are told of it.
  bool EntryQualifies(ScanWalk& walk, const platform::DirectoryListing& listing,
                      const std::string& dir, const std::string& name);
  // Runs the command for a file that qualified; a shared point claims it
  // first (then makes the exclusive test) and returns it after. False when
  // another daemon has it or it turned out to be in use.
  bool HandOver(ScanWalk& walk, const std::string& dir, const std::string& name);
  // A refused exclusive test is logged with its reason (at a point woken by
  // changes, once while the file stays busy) and remembered.
  void TellExclusiveRefusal(ScanWalk& walk, const std::string& dir, const std::string& name,
                            platform::Exclusive exclusive);

  const DaemonState& state_;
  Log& log_;
  const Clock& clock_;
  CommandRunner& runner_;
};

}  // namespace corvane
