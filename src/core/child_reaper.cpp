#include "core/child_reaper.h"

#include <QSocketNotifier>
#include <algorithm>

#include "core/platform/platform.h"

namespace corvane {
namespace {

constexpr std::size_t kFirstSweep = 64;
constexpr int kPollMs = 250;

}  // namespace

ChildReaper::ChildReaper() : sweepAt_(kFirstSweep) {
  connect(&poll_, &QTimer::timeout, this, &ChildReaper::Sweep);
}

ChildReaper::~ChildReaper() {
  for (auto& [pid, child] : children_) {
    if (child.notifier) child.notifier->setEnabled(false);
    platform::CloseDescriptor(child.watchFd);
  }
}

void ChildReaper::Adopt(int pid, int watchFd) {
  if (pid <= 0 || platform::ReapProcess(pid)) {
    platform::CloseDescriptor(watchFd);
    return;
  }
  Watch(pid, watchFd);
  if (children_.size() >= sweepAt_) {
    Sweep();
    sweepAt_ = std::max(kFirstSweep, 2 * children_.size());
  }
}

void ChildReaper::Watch(int pid, int watchFd) {
  QSocketNotifier* notifier = nullptr;
  if (watchFd >= 0) {
    notifier = new QSocketNotifier(watchFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, pid] { Collect(pid); });
  } else if (!poll_.isActive()) {
    poll_.start(kPollMs);
  }
  children_[pid] = Child{watchFd, notifier};
}

void ChildReaper::Collect(int pid) {
  const auto it = children_.find(pid);
  if (it != children_.end() && platform::ReapProcess(pid)) Forget(it);
}

void ChildReaper::Sweep() {
  bool unwatched = false;
  for (auto it = children_.begin(); it != children_.end();) {
    const auto next = std::next(it);
    if (platform::ReapProcess(it->first)) {
      Forget(it);
    } else {
      unwatched = unwatched || it->second.watchFd < 0;
    }
    it = next;
  }
  if (!unwatched) poll_.stop();
}

// The notifier may be the sender of the signal being handled: it is switched
// off before its descriptor closes and deleted only once control is back in
// the event loop.
void ChildReaper::Forget(std::map<int, Child>::iterator it) {
  if (QSocketNotifier* notifier = it->second.notifier) {
    notifier->setEnabled(false);
    notifier->deleteLater();
  }
  platform::CloseDescriptor(it->second.watchFd);
  children_.erase(it);
}

}  // namespace corvane
