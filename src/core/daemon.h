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

class DesktopHost;
class LogView;

// The daemon core in one object: the shared state, the language table, the
// log, and the parts that load points, check directories and run commands.
// It owns all of them for the life of the process; the window (or console)
// it reports to is passed in and must outlive it.
class Daemon {
 public:
  Daemon(LogView& view, DesktopHost& desktop, const Clock& clock);
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

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
