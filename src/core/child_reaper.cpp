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

void ChildReaper::Adopt(int pid, std::function<void()> ended) {
  if (pid <= 0) return;
  if (platform::ReapProcess(pid)) {
    if (ended) ended();
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
  std::vector<std::function<void()>> ended;
  for (auto child = children_.begin(); child != children_.end();) {
    if (!platform::ReapProcess(child->first)) {
      ++child;
      continue;
    }
    if (child->second) ended.push_back(std::move(child->second));
    child = children_.erase(child);
  }
  if (children_.empty()) poll_.stop();
  for (const auto& notice : ended) notice();
}

}  // namespace corvane
