#include "core/child_reaper.h"

#include <QSocketNotifier>
#include <algorithm>

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

void ChildReaper::Adopt(int pid) {
  if (pid <= 0 || platform::ReapProcess(pid)) return;
  children_.insert(pid);
  if (!notifier_ && !poll_.isActive()) poll_.start(kPollMs);
  if (children_.size() >= sweepAt_) {
    Sweep();
    sweepAt_ = std::max(kFirstSweep, 2 * children_.size());
  }
}

void ChildReaper::Sweep() {
  std::erase_if(children_, [](int pid) { return platform::ReapProcess(pid); });
  if (children_.empty()) poll_.stop();
}

}  // namespace corvane
