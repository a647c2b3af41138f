#pragma once

#include <QObject>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "core/change_source.h"
#include "core/change_watch.h"
#include "lang/text_catalogue.h"

class QSocketNotifier;

namespace corvane {

class Language;
class Log;
struct DaemonState;

// The time the wake-ups go by, and the timer that brings the next one: the
// system clocks and a QTimer in the daemon, time moved by hand in tests.
class WakeupTimer {
 public:
  virtual ~WakeupTimer() = default;
  // The steady time that events settle by.
  virtual ChangeWatch::Time Now() const = 0;
  // The wall-clock time that files come of age by.
  virtual std::chrono::milliseconds SinceEpoch() const = 0;
  // Calls `due` once, `wait` from now, in place of any call pending.
  virtual void Start(std::chrono::milliseconds wait) = 0;
  virtual void Stop() = 0;

  std::function<void()> due;
};

std::unique_ptr<WakeupTimer> MakeSystemWakeupTimer();

// Runs the checks that change events bring forward. It follows the point
// table (arming anew when the table changed), reads the events when the
// descriptor is readable and, when a point's events have settled, runs
// that point's check through `check`. A wake-up that falls due while any
// check or walk is under way waits until it is over; while the daemon is
// paused or stopping, wake-ups are dropped (the ticks look again later).
// Without a point that asks for events, nothing is opened.
class ChangeWakeups : public QObject {
 public:
  struct Hooks {
    std::function<bool()> busy;              // a check or a walk is under way
    std::function<bool()> running;           // checks are wanted now
    std::function<void(std::size_t)> check;  // the point's guarded check
  };
  using SourceFactory = std::function<std::unique_ptr<ChangeSource>()>;

  ChangeWakeups(DaemonState& state, Log& log, Hooks hooks,
                SourceFactory makeSource = MakeSystemChangeSource,
                std::unique_ptr<WakeupTimer> timer = MakeSystemWakeupTimer());
  ~ChangeWakeups() override;

  // Arms anew when the point table changed since the last call.
  void Follow();
  // Once a second, from the tick: Follow, and re-arm what came back.
  void Tick();
  // After the observation file was read again: Follow, and try every point
  // that fell back once more.
  void Reload();
  // Around every check of a point, whoever started it: what the check
  // passed over (busy or young files) brings the next one forward.
  void BeforeCheck(std::size_t index);
  void AfterCheck(std::size_t index);
  // True while a check that this object started runs.
  bool Checking() const { return checking_; }

 private:
  void Drop();
  void OnReadable();
  void RunDue();
  void Schedule();
  void Notice(std::size_t index, WatchFallback reason);

  DaemonState& state_;
  Log& log_;
  Hooks hooks_;
  SourceFactory makeSource_;
  bool checking_ = false;
  std::unique_ptr<WakeupTimer> timer_;
  // Declared in the order they depend on each other, so that they go in
  // reverse: the notifier first, the source last.
  std::unique_ptr<ChangeSource> source_;
  std::unique_ptr<ChangeWatch> watch_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

// What "stat" shows for a point: no, yes, or why its interval alone counts.
std::string WatchStateText(const Language& language, const ObservationPoint& point);

}  // namespace corvane
