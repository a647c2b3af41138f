#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "console/console_commands.h"
#include "console/daemon_control.h"
#include "core/daemon.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane::test {

using Strings = std::vector<std::string>;

// The check timer, the stop and the caption, as a record.
class FakeControl final : public DaemonControl {
 public:
  bool IsRunning() const override { return running; }
  void SetRunning(bool run) override { running = run; }
  void QuitDaemon() override { ++quits; }
  void SetCaption(const std::string& caption) override { captions.push_back(caption); }

  bool running = true;
  int quits = 0;
  Strings captions;
};

// A daemon on the recording hosts and fixed clock of a LoggingCore, with
// the console commands on it.
class ConsoleTest : public ::testing::Test, protected LoggingCore {
 protected:
  ConsoleTest() { daemon.state.dStartTime = clock.Now(); }

  // The lines shown after `line` ran (the view emptied first), unstamped.
  Strings Run(const std::string& line) {
    view.items.clear();
    commands.ProcessCommand(line);
    return Lines();
  }
  static std::string Info(const std::string& text) { return "   Info ] " + text; }
  static std::string NotUnderstood(const std::string& line) {
    return "Command '" + line + "' not understood!";
  }
  // An observation file whose points watch `in/`, one per command.
  std::string ObservationFile(const std::string& file, const std::string& name,
                              const Strings& commands) {
    std::filesystem::create_directories(dir.File("in"));
    std::string points;
    for (const std::string& command : commands) {
      points += "<Point><Directory>" + dir.File("in") + "</Directory><Intervall>3600</Intervall>" +
                command + "<Attributes Exclusive=\"0\"/></Point>";
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
  FakeControl control;
  Daemon daemon{view, desktop, clock};
  ConsoleCommands commands{ConsoleContext{daemon, control, {}, {}}};
};

}  // namespace corvane::test
