#pragma once

#include <string>

#include "platform/unique_fd.h"

namespace corvane {

class Log;

// What the lock of an observation file is keyed on: its resolved path, so
// that every spelling of one file (".", "..", a link, a relative path) gives
// the same key. A path that cannot be resolved is its own key.
std::string InstanceLockKey(const std::string& observationFile);

// "CorvaneApp_", the key without its "/" characters, "_" and a short hash
// of the key, so that different keys keep different names. A name longer
// than a file name may be loses the end of its middle part, not the hash.
std::string InstanceLockName(const std::string& key);

// Makes sure one observation file is watched by one daemon only: a lock,
// keyed on the file's resolved path, that the system frees when the holder
// dies, so a crashed daemon never blocks the next start.
class InstanceLock {
 public:
  explicit InstanceLock(Log& log);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this daemon now holds the lock for the observation file (any
  // lock held before is released first); false when another process, or
  // another InstanceLock, holds it.
  bool RegisterInstance(const std::string& observationFile);
  void ReleaseInstance();

 private:
  Log& log_;
  platform::UniqueFd lock_;  // holds the lock file's lock; empty while not held
};

}  // namespace corvane
