#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <map>

class QSocketNotifier;

namespace corvane {

// Collects the exit status of every command the daemon does not (or no
// longer) wait for, so that none stays behind as a zombie. An adopted child
// is watched through its watch descriptor: when it ends, the event loop wakes
// the reaper. Children without one are looked at by a slow timer. Only
// adopted pids are waited for, never "any child": Qt and other parts may own
// children of their own.
//
// Lives on the thread that runs the event loop and outlives every command
// runner that hands children to it. A child still running when the reaper
// goes is left to run on; only its descriptor is closed.
class ChildReaper final : public QObject {
 public:
  ChildReaper();
  ~ChildReaper() override;
  ChildReaper(const ChildReaper&) = delete;
  ChildReaper& operator=(const ChildReaper&) = delete;

  // Takes over the child pid and its watch descriptor (-1: none); the
  // caller no longer closes the descriptor. A child that has already ended
  // is collected at once.
  void Adopt(int pid, int watchFd);

  // Children adopted and not yet collected.
  std::size_t Count() const { return children_.size(); }

 private:
  struct Child {
    int watchFd;
    QSocketNotifier* notifier;  // owned as a Qt child of the reaper; null without watchFd
  };

  void Watch(int pid, int watchFd);
  void Collect(int pid);
  void Sweep();
  void Forget(std::map<int, Child>::iterator it);

  std::map<int, Child> children_;
  // Adopting sweeps all children once their number reaches this mark, so a
  // burst of short commands that runs without the event loop turning (a
  // directory of many files) does not pile up descriptors.
  std::size_t sweepAt_;
  QTimer poll_;  // for children without a watch descriptor
};

}  // namespace corvane
