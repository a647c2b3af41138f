#pragma once

#include <string>

namespace corvane {

class Log;

// "CorvaneApp_" and the key without its "/" characters; a name longer than
// a file name may be is shortened and ends in a hash of the whole key, so
// that different keys keep different names.
std::string InstanceLockName(const std::string& key);

// Makes sure one observation file is watched by one daemon only: a lock,
// named after the file's path as given, that the system frees when the
// holder dies, so a crashed daemon never blocks the next start.
class InstanceLock {
 public:
  explicit InstanceLock(Log& log);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this daemon now holds the lock for key (any lock held before
  // is released first); false when another process holds it.
  bool RegisterInstance(const std::string& key);
  void ReleaseInstance();
  bool IsHeld() const { return lMutexHandle_ >= 0; }

 private:
  Log& log_;
  int lMutexHandle_ = -1;
};

}  // namespace corvane
