#include "core/check_cycle.h"

#include "core/daemon_error.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/std_helpers.h"
#include "core/stop_request.h"
#include "lang/language.h"

namespace corvane {
namespace {

constexpr const char* kCheckPointsPrefix = "modMain::fCheckPoints: ";

// Counts nested walks, also when one ends with an exception.
class WalkScope {
 public:
  explicit WalkScope(int& depth) : depth_(depth) { ++depth_; }
  ~WalkScope() { --depth_; }
  WalkScope(const WalkScope&) = delete;
  WalkScope& operator=(const WalkScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

CheckCycle::CheckCycle(DaemonState& state, Log& log, DirectoryCheck& directoryCheck)
    : state_(state), log_(log), directoryCheck_(directoryCheck) {}

bool CheckCycle::WalkPoints(Walk walk) {
  bool result = true;
  {
    const WalkScope scope(walkDepth_);
    try {
      for (std::size_t i = 0; i < state_.points.size() && !StopRequested(state_); ++i) {
        ObservationPoint& point = state_.points[i];
        if (walk == Walk::DuePoints && point.ticks < point.interval) {
          Inc(point.ticks);
          continue;
        }
        if (!CheckDuePoint(i)) result = false;
      }
    } catch (const std::exception& error) {
      log_.WriteLog(ErrorLine("modMain::fCheckPoints:  ", error), LogLevel::Error);
      result = false;
    }
  }
  if (!IsWalking()) RunDeferredChanges();
  return result;
}

bool CheckCycle::CheckDuePoint(std::size_t index) {
  ObservationPoint& point = state_.points[index];
  const bool looks = !state_.checkRunning;
  if (looks && observer_.before) observer_.before(index);
  const std::optional<CheckResult> result = CheckPointGuarded(point);
  point.ticks = 0;
  if (looks && observer_.after) observer_.after(index);
  // A refused check has reported itself (message 58); it is neither a
  // success nor a failure.
  return !result || Report(point, *result);
}

bool CheckCycle::CheckWokenPoint(std::size_t index) {
  if (IsWalking() || state_.checkRunning || index >= state_.points.size()) return false;
  bool result = true;
  {
    // The point is worked on in place: table changes wait, as for a walk.
    const WalkScope scope(walkDepth_);
    try {
      result = CheckDuePoint(index);
    } catch (const std::exception& error) {
      log_.WriteLog(ErrorLine("modMain::fCheckPoints:  ", error), LogLevel::Error);
      result = false;
    }
  }
  RunDeferredChanges();
  return result;
}

std::optional<CheckResult> CheckCycle::CheckPointGuarded(ObservationPoint& point) {
  if (state_.checkRunning) {
    log_.Message(txt::CheckAlreadyRunning, LogLevel::Warning);
    return std::nullopt;
  }
  if (!PathExists(point.directory)) return CheckResult{CheckStatus::DirectoryMissing, 0};
  state_.checkRunning = true;
  try {
    const CheckResult result = directoryCheck_.CheckDirectory(point.directory, point);
    state_.checkRunning = false;
    return result;
  } catch (...) {
    state_.checkRunning = false;
    throw;
  }
}

bool CheckCycle::Report(const ObservationPoint& point, const CheckResult& result) {
  const Language& language = log_.language();
  const auto failure = [&](const CatalogueText& text, const std::vector<MsgArg>& args) {
    log_.WriteLog(kCheckPointsPrefix + FormatMsg(language.Translate(text), args), LogLevel::Error);
    return false;
  };
  switch (result.status) {
    case CheckStatus::FilesHandled:
      log_.Message(txt::FoundFiles, LogLevel::Info, {point.name, result.handled, point.directory});
      return true;
    case CheckStatus::NothingQualified:
      log_.Message(txt::NoNewFiles, LogLevel::Debug, {point.name, point.directory});
      return true;
    case CheckStatus::DirectoryMissing: return failure(txt::DirectoryNotFound, {point.directory});
    case CheckStatus::UnexpectedError: return failure(txt::CheckTerminated, {point.directory});
  }
  return failure(txt::CheckUnknownError, {});  // a value outside the enum
}

bool CheckCycle::ChangePointTable(std::function<void()> change) {
  if (IsWalking()) {
    deferred_.push_back(std::move(change));
    return false;
  }
  change();
  return true;
}

void CheckCycle::RunDeferredChanges() {
  // A change may itself log and pump events; take the list first.
  std::vector<std::function<void()>> changes;
  changes.swap(deferred_);
  for (auto& change : changes) change();
}

}  // namespace corvane
