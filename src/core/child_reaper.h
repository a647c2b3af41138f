#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>

#include "platform/processes.h"

class QSocketNotifier;

namespace corvane {

// Collects the exit status of every command the daemon does not (or no
// longer) wait for, so that none stays behind as a zombie, and without a
// descriptor per child: SIGCHLD wakes the event loop through one pipe, and
// the reaper then looks at each adopted pid. Only adopted pids are waited
// for, never "any child": Qt and other parts may own children of their own.
//
// Lives on the thread that runs the event loop and outlives every command
// runner that hands children to it. A child still running when the reaper
// goes is left to run on.
class ChildReaper final : public QObject {
 public:
  ChildReaper();
  ~ChildReaper() override;
  ChildReaper(const ChildReaper&) = delete;
  ChildReaper& operator=(const ChildReaper&) = delete;

  // Takes over the child pid; ended runs, with how it ended, once it has
  // been collected. A child that has already ended is collected at once.
  using EndNotice = std::function<void(const platform::ChildEnd&)>;
  void Adopt(int pid, EndNotice ended = {});

  // Children adopted and not yet collected.
  std::size_t Count() const { return children_.size(); }

 private:
  void Sweep();

  std::map<int, EndNotice> children_;  // pid, its end notice
  // Adopting sweeps all children once their number reaches this mark, so a
  // burst of short commands that runs without the event loop turning (a
  // directory of many files) does not pile up zombies.
  std::size_t sweepAt_;
  platform::ChildEndSignal childEnds_;
  std::unique_ptr<QSocketNotifier> notifier_;  // declared after the pipe: goes first
  QTimer poll_;                                // only where no child-end pipe could be had
};

}  // namespace corvane
