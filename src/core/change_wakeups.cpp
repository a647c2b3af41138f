#include "core/change_wakeups.h"

#include <QDateTime>
#include <QSocketNotifier>

#include "core/daemon_state.h"
#include "core/log.h"
#include "core/stop_request.h"
#include "lang/language.h"

namespace corvane {
namespace {

using Steady = std::chrono::steady_clock;

// How soon a wake-up held back by a running check looks again.
constexpr int kBusyRetryMs = 20;

const CatalogueText& ReasonText(WatchFallback reason) {
  switch (reason) {
    case WatchFallback::Overflow: return txt::ReasonOverflow;
    case WatchFallback::WatchLimit: return txt::ReasonWatchLimit;
    case WatchFallback::NoEvents: return txt::ReasonNoEvents;
    case WatchFallback::DirectoryGone: return txt::ReasonDirectoryGone;
    case WatchFallback::None:
    case WatchFallback::Unavailable: break;
  }
  return txt::ReasonUnavailable;
}

}  // namespace

ChangeWakeups::ChangeWakeups(DaemonState& state, Log& log, Hooks hooks, SourceFactory makeSource)
    : state_(state), log_(log), hooks_(std::move(hooks)), makeSource_(std::move(makeSource)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { RunDue(); });
}

ChangeWakeups::~ChangeWakeups() { Drop(); }

void ChangeWakeups::Drop() {
  timer_.stop();
  notifier_.reset();
  watch_.reset();
  source_.reset();
}

void ChangeWakeups::Follow() {
  if (watch_ && watch_->Follows(state_.points)) return;
  const bool wanted = std::any_of(state_.points.begin(), state_.points.end(),
                                  [](const ObservationPoint& point) { return point.watch; });
  Drop();
  if (!wanted) return;
  source_ = makeSource_();
  watch_ = std::make_unique<ChangeWatch>(
      *source_, [this](std::size_t index, WatchFallback reason) { Notice(index, reason); },
      [this] { return StopRequested(state_); });
  if (source_->Descriptor() >= 0) {
    notifier_ = std::make_unique<QSocketNotifier>(source_->Descriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
  }
  watch_->Arm(state_.points);
  watch_->Publish(state_.points);
  Schedule();
}

void ChangeWakeups::Tick() {
  Follow();
  if (!watch_) return;
  watch_->Tick(Steady::now());
  watch_->Publish(state_.points);
  Schedule();
}

void ChangeWakeups::Reload() {
  // A table that changed is armed afresh by Follow.
  if (watch_ && watch_->Follows(state_.points)) watch_->Rearm(Steady::now());
  Follow();
  if (!watch_) return;
  watch_->Publish(state_.points);
  Schedule();
}

void ChangeWakeups::BeforeCheck(std::size_t index) {
  if (watch_ && watch_->Follows(state_.points)) watch_->BeforeCheck(index);
}

void ChangeWakeups::AfterCheck(std::size_t index) {
  if (!watch_ || !watch_->Follows(state_.points)) return;
  const ObservationPoint& point = state_.points[index];
  std::optional<ChangeWatch::Time> comesOfAge;
  if (point.comesOfAge) {
    const auto wait = std::chrono::seconds(*point.comesOfAge) -
                      std::chrono::milliseconds(QDateTime::currentMSecsSinceEpoch());
    comesOfAge = Steady::now() + wait;
  }
  watch_->AfterCheck(index, {point.busyFiles, comesOfAge}, Steady::now());
  Schedule();
}

void ChangeWakeups::OnReadable() {
  if (!watch_) return;
  watch_->TakeEvents(Steady::now());
  watch_->Publish(state_.points);
  Schedule();
}

void ChangeWakeups::RunDue() {
  if (!watch_ || StopRequested(state_)) return;
  if (hooks_.busy()) {
    timer_.start(kBusyRetryMs);
    return;
  }
  for (const std::size_t index : watch_->Due(Steady::now())) {
    // A change of the table that waited for a check has run: the indexes
    // no longer hold.
    if (!watch_->Follows(state_.points)) break;
    // Settled first: events during the check call for another one after it.
    watch_->MarkWoken(index, Steady::now());
    if (!hooks_.running() || StopRequested(state_)) continue;
    checking_ = true;
    hooks_.check(index);
    checking_ = false;
  }
  Follow();
  Schedule();
}

void ChangeWakeups::Schedule() {
  if (!watch_) return;
  const auto next = watch_->NextDue();
  if (!next) return;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Steady::now());
  timer_.start(static_cast<int>(std::max<long long>(0, wait.count())));
}

void ChangeWakeups::Notice(std::size_t index, WatchFallback reason) {
  if (index >= state_.points.size()) return;
  const ObservationPoint& point = state_.points[index];
  if (reason == WatchFallback::None) {
    log_.Message(txt::WatchResumed, LogLevel::Info, {point.name});
    return;
  }
  log_.Message(txt::WatchFallbackWarning, LogLevel::Warning,
               {point.name, log_.language().Translate(ReasonText(reason)), point.interval});
}

std::string WatchStateText(const Language& language, const ObservationPoint& point) {
  if (!point.watch) return language.Translate(txt::No);
  if (point.watchFallback == WatchFallback::None) return language.Translate(txt::Yes);
  return FormatMsg(language.Translate(txt::IntervalOnly),
                   {language.Translate(ReasonText(point.watchFallback))});
}

}  // namespace corvane
