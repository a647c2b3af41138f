#include "core/daemon_controller.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "core/daemon.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class DaemonControllerTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  DaemonControllerTest() {
    QObject::connect(&controller, &DaemonController::StatusChanged, [this] { ++changes; });
    QObject::connect(&controller, &DaemonController::Stopping, [this] { ++stoppings; });
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
  const std::string xml = dir.Write(
      "points.xml",
      test::ObservationXml("Inbox", {test::PointXml(dir.path(), 3600, "<Command>true</Command>")}));
  const std::vector<std::pair<std::function<void()>, int>> steps = {
      {[&] { controller.Resume(); }, 1},
      {[&] { controller.Resume(); }, 0},
      {[&] { controller.Pause(); }, 1},
      {[&] { controller.SetDaemonName("Night"); }, 1},
      {[&] { controller.SetLogLevel(LogLevel::Error); }, 0},
      {[&] { controller.ChangeObservationFile(xml); }, 1},  // name, file and points
      {[&] {
         controller.Quit({StopReason::Kind::Menu, {}});
       },
       0},
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

// The first failure's exit code and the first reason stay; the event loop
// ends with that code after the end delay, the settings hook ran once, and
// the last line logged names the reason, once.
TEST_F(DaemonControllerTest, QuitStopsOnceAndEndsTheLoopWithTheFirstFailureCodeAndReason) {
  controller.Resume();
  controller.Quit({StopReason::Kind::Signal, "SIGHUP"}, 3);
  controller.Quit({StopReason::Kind::Command, "exit"});
  EXPECT_TRUE(controller.IsStopping());
  EXPECT_FALSE(controller.IsRunning());
  EXPECT_EQ(stoppings, 1);
  EXPECT_EQ(QCoreApplication::exec(), 3);
  controller.EndAbruptly({StopReason::Kind::DisplayLoss, {}});
  EXPECT_EQ(Lines(), std::vector<std::string>{"   Info ] Corvane stopped: signal SIGHUP."});
}

}  // namespace
}  // namespace corvane
