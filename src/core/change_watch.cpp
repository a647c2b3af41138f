#include "core/change_watch.h"

#include <algorithm>

#include "core/shared_folder.h"

namespace corvane {
namespace {

WatchFallback FallbackOf(WatchFailure failure) {
  switch (failure) {
    case WatchFailure::LimitReached: return WatchFallback::WatchLimit;
    case WatchFailure::NotADirectory: return WatchFallback::DirectoryGone;
    case WatchFailure::Failed: break;
  }
  return WatchFallback::Unavailable;
}

}  // namespace

ChangeWatch::ChangeWatch(ChangeSource& source, Notice notice, std::function<bool()> stopRequested)
    : source_(source), notice_(std::move(notice)), stopRequested_(std::move(stopRequested)) {}

ChangeWatch::~ChangeWatch() {
  for (const auto& [watch, entry] : watches_) source_.Remove(watch);
  for (const auto& [watch, holders] : fileWatches_) source_.Remove(watch);
}

bool ChangeWatch::Follows(const PointTable& points) const {
  if (points.size() != points_.size()) return false;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const ObservationPoint& point = points[i];
    const Point& armed = points_[i];
    if (point.watch != armed.requested) return false;
    if (point.watch &&
        (point.directory != armed.directory || point.noSubdirectories == armed.recursive ||
         point.interval != armed.interval || point.shared != armed.shared)) {
      return false;
    }
  }
  return true;
}

void ChangeWatch::Arm(const PointTable& points) {
  for (std::size_t i = 0; i < points_.size(); ++i) {
    Release(i);
    DropFileWatches(i);
  }
  points_.assign(points.size(), Point{});
  for (std::size_t i = 0; i < points.size(); ++i) {
    Point& armed = points_[i];
    armed.requested = points[i].watch;
    armed.directory = points[i].directory;
    armed.recursive = !points[i].noSubdirectories;
    armed.shared = points[i].shared;
    armed.interval = points[i].interval;
    if (armed.requested) ArmPoint(i);
  }
}

void ChangeWatch::Publish(PointTable& points) const {
  if (!Follows(points)) return;
  for (std::size_t i = 0; i < points.size(); ++i) points[i].watchFallback = points_[i].fallback;
}

// True when events wake the point from now on; otherwise it has fallen back.
bool ChangeWatch::ArmPoint(std::size_t index) {
  if (source_.Descriptor() < 0) {
    FallBack(index, WatchFallback::Unavailable);
    return false;
  }
  if (const auto held = Hold(index, points_[index].directory); !held) {
    FallBack(index, FallbackOf(held.error()));
    return false;
  }
  Point& point = points_[index];
  point.rootWatch = *point.watches.begin();
  if (!source_.DeliversEvents(point.directory)) {
    FallBack(index, WatchFallback::NoEvents);
    return false;
  }
  if (point.recursive && HoldBelow(index, point.directory) == Walk::LimitReached) {
    FallBack(index, WatchFallback::WatchLimit);
    return false;
  }
  point.fallback = WatchFallback::None;
  return true;
}

// Watches every directory below `directory` that the point does not watch
// yet. An explicit stack, since a hostile tree may be very deep.
ChangeWatch::Walk ChangeWatch::HoldBelow(std::size_t index, const std::string& directory) {
  std::vector<std::string> toVisit = source_.SubDirectories(directory);
  while (!toVisit.empty()) {
    if (stopRequested_ && stopRequested_()) return Walk::Stopped;
    const std::string next = std::move(toVisit.back());
    toVisit.pop_back();
    // A shared folder's claims and heartbeats change at every check: watched,
    // they would wake the point again and again.
    if (points_[index].shared && next == points_[index].directory + kSharedFolderName + "/") {
      continue;
    }
    const auto held = Hold(index, next);
    if (!held && held.error() == WatchFailure::LimitReached) return Walk::LimitReached;
    if (!held || !*held) continue;
    for (std::string& below : source_.SubDirectories(next)) toVisit.push_back(std::move(below));
  }
  return Walk::Done;
}

platform::Result<bool, WatchFailure> ChangeWatch::Hold(std::size_t index,
                                                       const std::string& directory) {
  // The point's own directory may be reached through a link (the observation
  // file names it); a link below it is never followed, so the trailing "/"
  // that would resolve it is left off.
  const bool root = directory == points_[index].directory;
  const WatchResult watch =
      source_.Add(root ? directory : directory.substr(0, directory.size() - 1));
  if (!watch) return platform::Failure<WatchFailure>{watch.error()};
  if (!points_[index].watches.insert(*watch).second) return false;
  Entry& entry = watches_[*watch];
  entry.holders.push_back(index);
  entry.path = directory;  // a directory moved within a tree is known by its new path
  return true;
}

void ChangeWatch::Release(std::size_t index) {
  Point& point = points_[index];
  for (const int watch : point.watches) {
    const auto found = watches_.find(watch);
    if (found == watches_.end()) continue;
    auto& holders = found->second.holders;
    holders.erase(std::find(holders.begin(), holders.end(), index));
    if (holders.empty()) {
      source_.Remove(watch);
      watches_.erase(found);
    }
  }
  point.watches.clear();
  point.rootWatch = -1;
}

void ChangeWatch::FallBack(std::size_t index, WatchFallback reason) {
  Release(index);
  DropFileWatches(index);
  Point& point = points_[index];
  point.pending = false;
  point.firstCompleted.reset();
  point.retryAt.reset();
  point.pauseTicks = reason == WatchFallback::Overflow ? point.interval + 1 : 0;
  if (point.fallback == reason) return;
  point.fallback = reason;
  if (notice_) notice_(index, reason);
}

// The directory of a watch is gone. Losing a point's own directory sends
// the point back to its interval until the directory is back.
void ChangeWatch::Forget(int watch) {
  if (const auto file = fileWatches_.find(watch); file != fileWatches_.end()) {
    for (const std::size_t index : file->second) {
      for (auto& [path, held] : points_[index].busyWatches) held = held == watch ? -1 : held;
    }
    fileWatches_.erase(file);
    return;
  }
  const auto found = watches_.find(watch);
  if (found == watches_.end()) return;
  const std::vector<std::size_t> holders = found->second.holders;
  watches_.erase(found);
  source_.Remove(watch);  // a moved directory stays watched otherwise
  for (const std::size_t index : holders) {
    Point& point = points_[index];
    point.watches.erase(watch);
    if (point.rootWatch == watch) FallBack(index, WatchFallback::DirectoryGone);
  }
}

void ChangeWatch::TakeEvents(Time now) {
  std::vector<ChangeEvent> events;
  source_.Read(events);
  // Watches that ended first, so that a directory moved within a tree is
  // watched again under its new path below.
  for (const ChangeEvent& event : events) {
    if (event.kind == ChangeKind::Gone) Forget(event.watch);
  }
  const bool overflow = std::any_of(events.begin(), events.end(), [](const ChangeEvent& e) {
    return e.kind == ChangeKind::Overflow;
  });
  if (overflow) {
    for (std::size_t i = 0; i < points_.size(); ++i) {
      if (!points_[i].requested || points_[i].fallback != WatchFallback::None) continue;
      FallBack(i, WatchFallback::Overflow);
      Note(i, now, true);
    }
    return;
  }
  std::vector<std::pair<std::size_t, std::string>> grown;
  for (const ChangeEvent& event : events) {
    if (event.kind == ChangeKind::Gone) continue;
    if (const auto file = fileWatches_.find(event.watch); file != fileWatches_.end()) {
      for (const std::size_t index : file->second) Note(index, now, false, true);
      continue;
    }
    const auto found = watches_.find(event.watch);
    if (found == watches_.end()) continue;
    for (const std::size_t index : found->second.holders) {
      Note(index, now, false, event.kind == ChangeKind::Completed);
      if (event.kind == ChangeKind::NewDirectory && points_[index].recursive) {
        grown.emplace_back(index, found->second.path);
      }
    }
  }
  for (const auto& [index, directory] : grown) {
    if (points_[index].fallback != WatchFallback::None) continue;
    if (HoldBelow(index, directory) == Walk::LimitReached) {
      FallBack(index, WatchFallback::WatchLimit);
    }
  }
}

void ChangeWatch::Tick(Time now) {
  for (std::size_t i = 0; i < points_.size(); ++i) {
    Point& point = points_[i];
    const bool retry = point.fallback == WatchFallback::DirectoryGone ||
                       (point.fallback == WatchFallback::Overflow && --point.pauseTicks <= 0);
    if (point.requested && retry) Resume(i, now);
  }
}

void ChangeWatch::Rearm(Time now) {
  for (std::size_t i = 0; i < points_.size(); ++i) {
    Point& point = points_[i];
    if (!point.requested || point.fallback == WatchFallback::None) continue;
    point.fallback = WatchFallback::None;  // so that a second failure is told too
    Resume(i, now);
  }
}

void ChangeWatch::Resume(std::size_t index, Time now) {
  if (!ArmPoint(index)) return;
  // Events may have been missed meanwhile: the check looks at once.
  Note(index, now, true);
  if (notice_) notice_(index, WatchFallback::None);
}

void ChangeWatch::Note(std::size_t index, Time now, bool immediate, bool completed) {
  Point& point = points_[index];
  if (!point.pending) point.firstEvent = now;
  if (completed && !point.firstCompleted) point.firstCompleted = now;
  point.pending = true;
  point.immediate = point.immediate || immediate;
  point.lastEvent = now;
}

ChangeWatch::Time ChangeWatch::EventsDue(const Point& point) const {
  if (point.immediate) return point.firstEvent;
  Time settled = std::min(point.lastEvent + kQuiet, point.firstEvent + kSpacing);
  if (point.lastWake) settled = std::max(settled, *point.lastWake + kSpacing);
  if (!point.firstCompleted) return settled;
  const Time completed = point.lastWake ? std::max(*point.firstCompleted, *point.lastWake + kQuiet)
                                        : *point.firstCompleted;
  return std::min(settled, completed);
}

std::optional<ChangeWatch::Time> ChangeWatch::DueTime(const Point& point) const {
  std::optional<Time> due = point.retryAt;
  if (point.pending && (!due || EventsDue(point) < *due)) due = EventsDue(point);
  return due;
}

std::vector<std::size_t> ChangeWatch::Due(Time now) const {
  std::vector<std::size_t> due;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const std::optional<Time> at = DueTime(points_[i]);
    if (at && *at <= now) due.push_back(i);
  }
  return due;
}

std::optional<ChangeWatch::Time> ChangeWatch::NextDue() const {
  std::optional<Time> next;
  for (const Point& point : points_) {
    const std::optional<Time> at = DueTime(point);
    if (at && (!next || *at < *next)) next = at;
  }
  return next;
}

void ChangeWatch::MarkWoken(std::size_t index, Time now) {
  Point& point = points_[index];
  point.pending = false;
  point.immediate = false;
  point.firstCompleted.reset();
  point.lastWake = now;
  point.retryAt.reset();
}

void ChangeWatch::BeforeCheck(std::size_t index) {
  if (index < points_.size()) DropFileWatches(index);
}

void ChangeWatch::AfterCheck(std::size_t index, const Skipped& skipped, Time now) {
  if (index >= points_.size()) return;
  DropFileWatches(index);
  Point& point = points_[index];
  point.retryAt.reset();
  if (!point.requested || point.fallback != WatchFallback::None || skipped.busy.empty()) {
    point.retryWait = std::chrono::milliseconds{0};
  } else {
    for (const std::string& path : skipped.busy) {
      int watch = -1;
      if (point.busyWatches.size() < kMaxFileWatches) {
        if (const WatchResult added = source_.AddFile(path)) {
          watch = *added;
          auto& holders = fileWatches_[watch];
          if (std::find(holders.begin(), holders.end(), index) == holders.end()) {
            holders.push_back(index);
          }
        }
      }
      point.busyWatches.emplace(path, watch);
    }
    const std::chrono::milliseconds longest = std::chrono::seconds(std::max(point.interval, 1));
    point.retryWait =
        point.retryWait.count() == 0 ? kFirstRetry : std::min(point.retryWait * 2, longest);
    point.retryAt = now + point.retryWait;
  }
  // A file coming of age after the next interval's check is that check's.
  if (point.requested && point.fallback == WatchFallback::None && skipped.comesOfAge &&
      *skipped.comesOfAge <= now + std::chrono::seconds(point.interval)) {
    const Time at = std::max(*skipped.comesOfAge, now + kFirstRetry);
    if (!point.retryAt || at < *point.retryAt) point.retryAt = at;
  }
}

void ChangeWatch::DropFileWatches(std::size_t index) {
  Point& point = points_[index];
  for (const auto& [path, watch] : point.busyWatches) {
    const auto found = fileWatches_.find(watch);
    if (found == fileWatches_.end()) continue;
    auto& holders = found->second;
    holders.erase(std::remove(holders.begin(), holders.end(), index), holders.end());
    if (holders.empty()) {
      source_.Remove(watch);
      fileWatches_.erase(found);
    }
  }
  point.busyWatches.clear();
}

}  // namespace corvane
