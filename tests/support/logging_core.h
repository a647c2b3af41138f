#pragma once

// Header-only, since only tests that link the core use it.

#include <QDateTime>
#include <QObject>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "lang/language.h"

namespace corvane::test {

class FixedClock final : public Clock {
 public:
  QDateTime Now() const override { return now; }
  QDateTime now{QDate(2026, 1, 2), QTime(3, 4, 5)};
};

// What a front end's view was sent: the lines it shows, and the balloons
// asked for. `source` is a Log or a DaemonController.
struct RecordingView {
  struct Item {
    std::string text;
    bool bold;
  };
  template <typename Source>
  void Record(Source& source) {
    QObject::connect(&source, &Source::LineLogged,
                     [this](const std::string& line, bool bold, bool shown) {
                       if (shown) items.push_back({line, bold});
                     });
    QObject::connect(&source, &Source::BalloonRequested,
                     [this](const std::string& line, LogLevel) { balloons.push_back(line); });
    if constexpr (requires { &Source::ViewCleared; }) {
      QObject::connect(&source, &Source::ViewCleared, [this] { Clear(); });
    }
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Item& item : items) texts.push_back(item.text);
    return texts;
  }
  // The lines without their time stamp, starting at the level tag:
  // "   Info ] text". Raw lines come as they are.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const std::string& text : Texts()) {
      const auto stampEnd = text.starts_with('[') ? text.find(' ', 12) : std::string::npos;
      lines.push_back(stampEnd == std::string::npos ? text : text.substr(stampEnd + 1));
    }
    return lines;
  }
  bool Logged(const std::string& part) const {
    for (const std::string& text : Texts()) {
      if (text.find(part) != std::string::npos) return true;
    }
    return false;
  }
  void Clear() { items.clear(); }

  std::vector<Item> items;
  std::vector<std::string> balloons;
};

// The log wired as the daemon wires it; the view shows every level.
struct LoggingCore {
  LoggingCore() {
    state.logLevel = LogLevel::Debug;
    view.Record(log);
  }

  std::vector<std::string> Lines() const { return view.Lines(); }
  bool Logged(const std::string& part) const { return view.Logged(part); }

  DaemonState state;
  Language language;
  FixedClock clock;
  Log log{state, language, clock};
  RecordingView view;
};

}  // namespace corvane::test
