#pragma once

// Header-only, since only tests that link the core use it.

#include <QDateTime>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "lang/language.h"
#include "support/recording_hosts.h"

namespace corvane::test {

class FixedClock final : public Clock {
 public:
  QDateTime Now() const override { return now; }
  QDateTime now{QDate(2026, 1, 2), QTime(3, 4, 5)};
};

// The log wired as the daemon wires it; the view shows every level.
struct LoggingCore {
  LoggingCore() { state.logLevel = LogLevel::Debug; }
  LoggingCore(const LoggingCore&) = delete;
  LoggingCore& operator=(const LoggingCore&) = delete;

  // The view's lines without their time stamp, starting at the level tag:
  // "   Info ] text". Raw lines come as they are.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const std::string& text : view.Texts()) {
      const auto stampEnd = text.starts_with('[') ? text.find(' ', 12) : std::string::npos;
      lines.push_back(stampEnd == std::string::npos ? text : text.substr(stampEnd + 1));
    }
    return lines;
  }
  bool Logged(const std::string& part) const {
    for (const std::string& text : view.Texts()) {
      if (text.find(part) != std::string::npos) return true;
    }
    return false;
  }

  DaemonState state;
  Language language;
  RecordingLogView view;
  FakeDesktop desktop;
  FixedClock clock;
  Log log{state, language, view, desktop, clock};
};

}  // namespace corvane::test
