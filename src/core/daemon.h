#pragma once

#include "core/check_cycle.h"
#include "core/child_reaper.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/directory_scan.h"
#include "core/instance_lock.h"
#include "core/log.h"
#include "core/point_loader.h"
#include "core/run_command.h"
#include "lang/language.h"

namespace corvane {

// The daemon core in one object: the shared state, the language table, the
// log, and the parts that load points, check directories and run commands.
// The controller owns it and is the only one that reaches into it; the
// clock must outlive it.
class Daemon {
 public:
  explicit Daemon(const Clock& clock);
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  const Clock& clock;
  DaemonState state;
  Language language;
  Log log;
  ChildReaper reaper;
  CommandRunner runner;
  DirectoryScanner scanner;
  CheckCycle cycle;
  PointLoader loader;
  InstanceLock lock;
};

}  // namespace corvane
