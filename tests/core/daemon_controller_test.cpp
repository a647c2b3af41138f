#include "core/daemon_controller.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>

#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class DaemonControllerTest : public ::testing::Test {
 protected:
  DaemonControllerTest() {
    view.Record(controller);
    QObject::connect(&controller, &DaemonController::Stopping, [this] { ++stoppings; });
  }
  test::TempDir dir;
  test::FixedClock clock;
  DaemonController controller{clock};
  test::RecordingView view;
  int stoppings = 0;
};

// The first failure's exit code and the first reason stay; the event loop
// ends with that code after the end delay, Stopping came once, and the last
// line logged names the reason, once.
TEST_F(DaemonControllerTest, QuitStopsOnceAndEndsTheLoopWithTheFirstFailureCodeAndReason) {
  controller.Resume();
  controller.Quit({StopReason::Kind::Signal, "SIGHUP"}, 3);
  controller.Quit({StopReason::Kind::Command, "exit"});
  EXPECT_TRUE(controller.IsStopping());
  EXPECT_FALSE(controller.IsRunning());
  EXPECT_EQ(stoppings, 1);
  EXPECT_EQ(QCoreApplication::exec(), 3);
  controller.EndAbruptly({StopReason::Kind::DisplayLoss, {}});
  EXPECT_EQ(view.Lines(), std::vector<std::string>{"   Info ] Corvane stopped: signal SIGHUP."});
}

// While a check that change events brought forward runs its command, the
// ticks do not walk the points: a due point would meet the running check.
TEST_F(DaemonControllerTest, TicksWaitWhileAWokenCheckRuns) {
  bool ticked = false;
  QObject::connect(&controller, &DaemonController::LineLogged, [&](const std::string& line) {
    if (ticked || line.find("Executing") == std::string::npos) return;
    ticked = true;
    controller.OnTick();
    controller.OnTick();  // the point is due by now
  });
  std::filesystem::create_directories(dir.File("in"));
  StartOptions options;
  options.observationFile = dir.Write(
      "points.xml",
      test::ObservationXml("Inbox", {"<Point><Directory>" + dir.File("in") +
                                     "</Directory><Intervall Watch=\"1\">1</Intervall>" +
                                     test::kNotExclusive + "<Command>true</Command></Point>"}));
  options.allowSecondInstance = true;
  ASSERT_EQ(controller.Start(options), StartOutcome::Running);
  dir.Write("in/a.txt", "x");
  ASSERT_TRUE(test::Eventually([this] { return view.Logged("found 1 files"); }));
  EXPECT_FALSE(view.Logged("while it is still running"));
}

}  // namespace
}  // namespace corvane
