#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/change_source.h"
#include "core/observation_point.h"

namespace corvane {

// Which points change events should wake, and when: the watches of every
// point that asked for them, shared where points overlap, and the settling
// of bursts. Events never say which file qualifies; a due point only gets
// its check sooner.
//
// A point with pending events is due once no event came for kQuiet, or
// kSpacing after the first of them while events keep coming, and never
// sooner than kSpacing after its last wake-up. A file closed after writing
// or moved in (or a busy file closed) needs no settling: the point is due
// at once, but never sooner than kQuiet after its last wake-up. Time is passed in, so that
// the rules can be followed step by step.
//
// What a check passed over brings the next one forward too: a file found
// busy is watched until it is closed by whoever holds it, and looked at
// again kFirstRetry after the check, then at twice the wait after every
// check that finds a file still busy (at most the interval); a file too
// young wakes the point when it comes of age.
class ChangeWatch {
 public:
  using Time = std::chrono::steady_clock::time_point;
  static constexpr std::chrono::milliseconds kQuiet{50};
  static constexpr std::chrono::milliseconds kSpacing{250};
  static constexpr std::chrono::milliseconds kFirstRetry{100};
  // Busy files watched per point; beyond them only the retries count.
  static constexpr std::size_t kMaxFileWatches = 64;

  // What one check of a point passed over.
  struct Skipped {
    const std::set<std::string>& busy;  // full paths
    std::optional<Time> comesOfAge;
  };

  // Told when a point falls back to its interval (once per fall, with the
  // reason) and when events wake it again (WatchFallback::None).
  using Notice = std::function<void(std::size_t point, WatchFallback reason)>;

  ChangeWatch(ChangeSource& source, Notice notice, std::function<bool()> stopRequested);
  ~ChangeWatch();
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

  // True when the points armed are those the table asks for, at the same
  // positions.
  bool Follows(const PointTable& points) const;
  // Drops every watch and watches the table's points that ask for it.
  void Arm(const PointTable& points);
  // Writes each point's state into the table, when it follows it.
  void Publish(PointTable& points) const;

  // Takes the waiting events.
  void TakeEvents(Time now);
  // Once a second: re-arms the points whose directory is back or whose
  // pause after lost events is over.
  void Tick(Time now);
  // Tries again every point that has fallen back, whatever the reason, and
  // tells either outcome anew (the limit or the file system may have
  // changed meanwhile).
  void Rearm(Time now);

  // The points due now, in table order, and when the next one will be.
  std::vector<std::size_t> Due(Time now) const;
  std::optional<Time> NextDue() const;
  // The point's check ran (or was not wanted): its events are settled.
  void MarkWoken(std::size_t point, Time now);
  // Around every check of the point: its own look at the busy files must
  // not wake it again, and what it passed over sets the next look.
  void BeforeCheck(std::size_t point);
  void AfterCheck(std::size_t point, const Skipped& skipped, Time now);

 private:
  struct Point {
    std::string directory;
    bool requested = false;
    bool recursive = false;
    bool shared = false;  // its claim folder is not watched
    std::int32_t interval = 0;
    WatchFallback fallback = WatchFallback::None;
    int pauseTicks = 0;
    int rootWatch = -1;
    std::set<int> watches;
    bool pending = false;
    bool immediate = false;
    Time firstEvent{};
    std::optional<Time> firstCompleted;
    Time lastEvent{};
    std::optional<Time> lastWake;
    std::map<std::string, int> busyWatches;  // path, watch (-1: none)
    std::chrono::milliseconds retryWait{0};
    std::optional<Time> retryAt;
  };
  struct Entry {
    std::vector<std::size_t> holders;
    std::string path;
  };
  enum class Walk { Done, LimitReached, Stopped };

  bool ArmPoint(std::size_t index);
  Walk HoldBelow(std::size_t index, const std::string& directory);
  // Whether the point holds a watch it did not hold before.
  platform::Result<bool, WatchFailure> Hold(std::size_t index, const std::string& directory);
  void Release(std::size_t index);
  void FallBack(std::size_t index, WatchFallback reason);
  void Forget(int watch);
  void DropFileWatches(std::size_t index);
  void Resume(std::size_t index, Time now);
  void Note(std::size_t index, Time now, bool immediate, bool completed = false);
  Time EventsDue(const Point& point) const;
  std::optional<Time> DueTime(const Point& point) const;

  ChangeSource& source_;
  Notice notice_;
  std::function<bool()> stopRequested_;
  std::vector<Point> points_;
  std::unordered_map<int, Entry> watches_;
  std::unordered_map<int, std::vector<std::size_t>> fileWatches_;  // holders
};

}  // namespace corvane
