#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/observation_point.h"

namespace corvane {

class Log;
struct DaemonState;

// How one directory check ended.
enum class CheckStatus { FilesHandled, NothingQualified, DirectoryMissing, UnexpectedError };

// The outcome of one directory check. handled counts the files handed to
// the command; it is above 0 exactly when the status is FilesHandled.
struct CheckResult {
  CheckStatus status = CheckStatus::NothingQualified;
  std::int32_t handled = 0;
};

// The look at one point's directory that the cycle hands due points to.
class DirectoryCheck {
 public:
  virtual ~DirectoryCheck() = default;
  virtual CheckResult CheckDirectory(const std::string& dir, ObservationPoint& point) = 0;
};

// Decides which points are due on a tick and reports every look.
//
// Re-entrancy: a check may wait for a command, and while it waits the event
// loop runs console commands and timers. A second check is then refused
// (checkRunning), and changes of the point table are deferred until the
// walk is over, because the walk works on the table's entries in place.
class CheckCycle {
 public:
  CheckCycle(DaemonState& state, Log& log, DirectoryCheck& directoryCheck);

  // Walk the table. The due walk counts ticks and checks the points whose
  // interval is up; the full walk checks every point. False when a
  // directory was missing or a check failed.
  bool CheckDuePoints() { return WalkPoints(Walk::DuePoints); }
  bool CheckAllPoints() { return WalkPoints(Walk::AllPoints); }
  // Checks one point unless a check is already running; nothing when the
  // check is refused.
  std::optional<CheckResult> CheckPointGuarded(ObservationPoint& point);
  // The check a change event brings forward: the same as a due point's on
  // a tick, its tick count reset. Refused (false) while any check or walk
  // is under way. False when the directory was missing or the check failed.
  bool CheckWokenPoint(std::size_t index);

  // Runs a change of the point table now, or after the walk under way.
  // True when it ran at once.
  bool ChangePointTable(std::function<void()> change);

  // Told before and after every check of a point (not a refused one), by
  // its index in the table.
  struct Observer {
    std::function<void(std::size_t)> before;
    std::function<void(std::size_t)> after;
  };
  void SetObserver(Observer observer) { observer_ = std::move(observer); }
  bool IsWalking() const { return walkDepth_ > 0; }

 private:
  enum class Walk { DuePoints, AllPoints };
  bool WalkPoints(Walk walk);
  // Logs the outcome of a check; false for a failure.
  bool Report(const ObservationPoint& point, const CheckResult& result);
  // Checks a due point, reports it and resets its tick count.
  bool CheckDuePoint(std::size_t index);
  void RunDeferredChanges();

  DaemonState& state_;
  Log& log_;
  DirectoryCheck& directoryCheck_;
  int walkDepth_ = 0;
  std::vector<std::function<void()>> deferred_;
  Observer observer_;
};

}  // namespace corvane
