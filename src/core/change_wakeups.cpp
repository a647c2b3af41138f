#include "core/change_wakeups.h"

#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>

#include "core/daemon_state.h"
#include "core/log.h"
#include "core/stop_request.h"
#include "lang/language.h"

namespace corvane {
namespace {

// How soon a wake-up held back by a running check looks again.
constexpr std::chrono::milliseconds kBusyRetry{20};

class SystemWakeupTimer final : public WakeupTimer {
 public:
  SystemWakeupTimer() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { due(); });
  }
  ChangeWatch::Time Now() const override { return std::chrono::steady_clock::now(); }
  std::chrono::milliseconds SinceEpoch() const override {
    return std::chrono::milliseconds(QDateTime::currentMSecsSinceEpoch());
  }
  void Start(std::chrono::milliseconds wait) override { timer_.start(wait); }
  void Stop() override { timer_.stop(); }

 private:
  QTimer timer_;
};

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

std::unique_ptr<WakeupTimer> MakeSystemWakeupTimer() {
  return std::make_unique<SystemWakeupTimer>();
}

ChangeWakeups::ChangeWakeups(DaemonState& state, Log& log, Hooks hooks, SourceFactory makeSource,
                             std::unique_ptr<WakeupTimer> timer)
    : state_(state),
      log_(log),
      hooks_(std::move(hooks)),
      makeSource_(std::move(makeSource)),
      timer_(std::move(timer)) {
  timer_->due = [this] { RunDue(); };
}

ChangeWakeups::~ChangeWakeups() { Drop(); }

void ChangeWakeups::Drop() {
  timer_->Stop();
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
  watch_->Tick(timer_->Now());
  watch_->Publish(state_.points);
  Schedule();
}

void ChangeWakeups::Reload() {
  // A table that changed is armed afresh by Follow.
  if (watch_ && watch_->Follows(state_.points)) watch_->Rearm(timer_->Now());
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
    comesOfAge = timer_->Now() + (std::chrono::seconds(*point.comesOfAge) - timer_->SinceEpoch());
  }
  watch_->AfterCheck(index, {point.busyFiles, comesOfAge}, timer_->Now());
  Schedule();
}

void ChangeWakeups::OnReadable() {
  if (!watch_) return;
  watch_->TakeEvents(timer_->Now());
  watch_->Publish(state_.points);
  Schedule();
}

void ChangeWakeups::RunDue() {
  if (!watch_ || StopRequested(state_)) return;
  if (hooks_.busy()) {
    timer_->Start(kBusyRetry);
    return;
  }
  for (const std::size_t index : watch_->Due(timer_->Now())) {
    // A change of the table that waited for a check has run: the indexes
    // no longer hold.
    if (!watch_->Follows(state_.points)) break;
    // Settled first: events during the check call for another one after it.
    watch_->MarkWoken(index, timer_->Now());
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
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - timer_->Now());
  timer_->Start(std::max(wait, std::chrono::milliseconds::zero()));
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
