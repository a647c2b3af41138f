#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "console/console_commands.h"
#include "console/daemon_control.h"
#include "core/clock.h"
#include "core/daemon.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"

namespace corvane::test {

// The check timer, the stop and the caption, as a record.
class FakeControl final : public DaemonControl {
 public:
  bool IsRunning() const override { return running; }
  void SetRunning(bool run) override { running = run; }
  void QuitDaemon() override { ++quits; }
  void SetCaption(const std::string& caption) override { captions.push_back(caption); }

  bool running = true;
  int quits = 0;
  std::vector<std::string> captions;
};

class FixedClock final : public Clock {
 public:
  QDateTime Now() const override { return QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)); }
};

// A daemon with recording hosts and the console commands on it.
class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() { daemon.state.dStartTime = clock.Now(); }

  // The lines the view shows after `line` ran, the view emptied first.
  std::vector<std::string> Run(const std::string& line) {
    view.items.clear();
    commands.ProcessCommand(line);
    return view.Texts();
  }
  // A log line as the view shows it at the fixed time.
  static std::string Stamped(const std::string& tag, const std::string& text) {
    return "[2024-05-06 07:08:09" + tag + " ] " + text;
  }
  static std::string Info(const std::string& text) { return Stamped("    Info", text); }
  static std::string Error(const std::string& text) { return Stamped("   Error", text); }
  static std::string NotUnderstood(const std::string& line) {
    return "Command '" + line + "' not understood!";
  }

  // An observation file whose points watch `in/`, each with the command.
  std::string ObservationFile(const std::string& file, const std::string& name,
                              const std::vector<std::string>& commands,
                              const std::string& interval = "3600") {
    std::filesystem::create_directories(dir.File("in"));
    std::string points;
    for (const std::string& command : commands) {
      points += "<Point><Directory>" + dir.File("in") + "</Directory><Intervall>" + interval +
                "</Intervall>" + command + "<Attributes Exclusive=\"0\"/></Point>";
    }
    return dir.Write(file, "<Corvane><Name>" + name + "</Name><Observation>" + points +
                               "</Observation></Corvane>");
  }
  // Loads the file and takes its lock, as start-up does.
  void Load(const std::string& xml) {
    daemon.state.sXmlFile = xml;
    ASSERT_TRUE(daemon.loader.fLoadFile(xml));
    ASSERT_TRUE(daemon.lock.RegisterInstance(xml));
  }

  TempDir dir;
  RecordingLogView view;
  FakeDesktop desktop;
  FixedClock clock;
  FakeControl control;
  Daemon daemon{view, desktop, clock};
  ConsoleCommands commands{ConsoleContext{daemon, control, {}, {}}};
};

}  // namespace corvane::test
