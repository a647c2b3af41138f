#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "console/console_commands.h"
#include "console/reports.h"
#include "core/daemon.h"
#include "core/daemon_controller.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane::test {

using Strings = std::vector<std::string>;

inline std::string Joined(const Strings& parts) {
  std::string all;
  for (const std::string& part : parts) all += (&part == parts.data() ? "" : "|") + part;
  return all;
}

// A running daemon with the console commands on it. `captions` records the
// caption after every change the controller announced.
class ConsoleTest : public ::testing::Test, protected LoggingCore {
 protected:
  ConsoleTest() {
    daemon.state.startTime = clock.Now();
    controller.Start();
    QObject::connect(&controller, &DaemonController::StatusChanged, [this] {
      captions.push_back(
          CaptionText(controller.state(), controller.language(), controller.IsRunning()));
    });
  }

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
  // One point on `in/` per command.
  std::string ObservationFile(const std::string& file, const std::string& name,
                              const Strings& commands) {
    Strings points;
    for (const std::string& command : commands) {
      points.push_back(PointXml(dir.File("in"), 3600, command + kNotExclusive));
    }
    return dir.Write(file, ObservationXml(name, points));
  }

  TempDir dir;
  Daemon daemon{view, desktop, clock};
  DaemonController controller{daemon};
  ConsoleCommands commands{ConsoleContext{controller, {}, {}}};
  Strings captions;
};

}  // namespace corvane::test
