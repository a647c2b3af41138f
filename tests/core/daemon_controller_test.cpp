#include "core/daemon_controller.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "core/daemon.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class DaemonControllerTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  DaemonControllerTest() {
    QObject::connect(&controller, &DaemonController::StatusChanged, [this] { ++changes; });
    QObject::connect(&controller, &DaemonController::Stopping, [this] { ++stoppings; });
  }
  // An observation file with one point per command, watching in/.
  std::string ObservationFile(const std::string& name, const std::vector<std::string>& commands) {
    std::filesystem::create_directories(dir.File("in"));
    std::string points;
    for (const std::string& command : commands) {
      points += "<Point><Directory>" + dir.File("in") + "</Directory><Intervall>3600</Intervall>" +
                command + "<Attributes Exclusive=\"0\"/></Point>";
    }
    return dir.Write(name + ".xml", "<Corvane><Name>" + name + "</Name><Observation>" + points +
                                        "</Observation></Corvane>");
  }

  test::TempDir dir;
  Daemon daemon{view, desktop, clock};
  DaemonController controller{daemon};
  int changes = 0;
  int stoppings = 0;
};

// One notification per change of what a caption shows, none for a step
// that changes nothing, and none once the stop has begun.
TEST_F(DaemonControllerTest, AnnouncesEachChangeOfRunningNameFileOrPointsOnce) {
  const std::string xml = ObservationFile("Inbox", {"<Command>true</Command>"});
  const std::vector<std::pair<std::function<void()>, int>> steps = {
      {[&] { controller.Resume(); }, 1},
      {[&] { controller.Resume(); }, 0},
      {[&] { controller.Pause(); }, 1},
      {[&] { controller.SetDaemonName("Night"); }, 1},
      {[&] { controller.SetDaemonName("Night"); }, 0},
      {[&] { controller.SetLogLevel(LogLevel::Error); }, 0},
      {[&] { controller.ChangeObservationFile(xml); }, 1},  // name, file and points
      {[&] { controller.Reload(); }, 0},
      {[&] { controller.Quit(); }, 0},
      {[&] { controller.Resume(); }, 0},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    changes = 0;
    steps[i].first();
    EXPECT_EQ(changes, steps[i].second) << "step " << i;
  }
  EXPECT_EQ(controller.DaemonName(), "Inbox");
  EXPECT_EQ(controller.ObservationFile(), xml);
  EXPECT_EQ(controller.PointCount(), 1u);
  EXPECT_FALSE(controller.IsRunning());  // a resume after the stop does nothing
}

// The tray's item checks every point even while a check runs: the running
// check's guard then refuses each point with a warning.
TEST_F(DaemonControllerTest, CheckAllNowDuringACheckMeetsTheCheckGuard) {
  const std::string flag = dir.File("flag");
  daemon.loader.LoadFile(ObservationFile(
      "Inbox", {"<Command Wait=\"0\">sh -c 'until [ -e \"$0\" ]; do sleep 0.01; done' " + flag +
                "</Command>"}));
  std::ofstream(dir.File("in/a.txt")) << "x";
  bool checkingDuring = false;
  QTimer::singleShot(0, [&] {
    checkingDuring = controller.IsChecking();
    controller.CheckAllNow();
    std::ofstream(flag) << "";
  });
  EXPECT_TRUE(controller.CheckAllNow());
  EXPECT_TRUE(checkingDuring);
  EXPECT_FALSE(controller.IsChecking());
  EXPECT_TRUE(Logged("Warning ] fCheckDirectory was called, while it is still running!"));
}

// The first failure's exit code stays; the event loop ends with it after
// the end delay, and the settings hook ran once.
TEST_F(DaemonControllerTest, QuitStopsOnceAndEndsTheLoopWithTheFirstFailureCode) {
  controller.Resume();
  controller.Quit(3);
  controller.Quit();
  EXPECT_TRUE(controller.IsStopping());
  EXPECT_FALSE(controller.IsRunning());
  EXPECT_EQ(stoppings, 1);
  EXPECT_EQ(QCoreApplication::exec(), 3);
}

}  // namespace
}  // namespace corvane
