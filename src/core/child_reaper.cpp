#include "core/child_reaper.h"

#include <QSocketNotifier>
#include <algorithm>
#include <vector>

namespace corvane {
namespace {

constexpr std::size_t kFirstSweep = 64;
constexpr int kPollMs = 250;

}  // namespace

ChildReaper::ChildReaper() : sweepAt_(kFirstSweep) {
  if (childEnds_.ReadEnd() >= 0) {
    notifier_ = std::make_unique<QSocketNotifier>(childEnds_.ReadEnd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
      childEnds_.Drain();
      Sweep();
    });
  } else {
    connect(&poll_, &QTimer::timeout, this, &ChildReaper::Sweep);
  }
}

ChildReaper::~ChildReaper() = default;

void ChildReaper::Adopt(int pid, EndNotice ended) {
  if (pid <= 0) return;
  platform::ChildEnd end;
  if (platform::ReapProcess(pid, &end)) {
    if (ended) ended(end);
    return;
  }
  children_.emplace(pid, std::move(ended));
  if (!notifier_ && !poll_.isActive()) poll_.start(kPollMs);
  if (children_.size() >= sweepAt_) {
    Sweep();
    sweepAt_ = std::max(kFirstSweep, 2 * children_.size());
  }
}

void ChildReaper::Sweep() {
  std::vector<std::pair<EndNotice, platform::ChildEnd>> ended;
  for (auto child = children_.begin(); child != children_.end();) {
    platform::ChildEnd end;
    if (!platform::ReapProcess(child->first, &end)) {
      ++child;
      continue;
    }
    if (child->second) ended.emplace_back(std::move(child->second), end);
    child = children_.erase(child);
  }
  if (children_.empty()) poll_.stop();
  for (const auto& [notice, end] : ended) notice(end);
}

}  // namespace corvane
