#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>

#include "core/log_level.h"
#include "core/observation_point.h"

namespace corvane {

// The state the daemon's parts share: set at start-up, changed by the
// console's "set" command, read by the log and the reports. One object owns
// it and hands it to the parts that need it.
struct DaemonState {
  std::string daemonName = "Corvane";
  std::string xmlFile;                 // observation file; also the lock key
  std::string logFile;                 // empty: no log file
  LogLevel logLevel = LogLevel::Info;  // least level shown in the view
  std::string languageFile = "english.lng";
  QDateTime startTime;
  bool checkRunning = false;
  bool quitting = false;  // the orderly stop has begun: start no more commands
  PointTable points;      // empty before the first load
  // Shared points: the id this daemon goes by ("": made from the host name
  // and the observation file), and after how long without a heartbeat
  // another daemon counts as dead.
  std::string sharedDaemonId;
  std::int32_t staleSeconds = 60;
};

}  // namespace corvane
