#include "core/daemon_controller.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <filesystem>
#include <memory>

#include "core/instance_lock.h"
#include "platform/processes.h"
#include "platform/stop_signals.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

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
  fs::create_directories(dir.File("in"));
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

TEST(InstanceLockName, DropsEverySlashAndShortensLongKeysKeepingTheHash) {
  EXPECT_TRUE(InstanceLockName("/srv/in/points.xml").starts_with("CorvaneApp_srvinpoints.xml_"));
  const std::string a(400, 'k');
  EXPECT_LE(InstanceLockName(a).size(), 255u);
  EXPECT_NE(InstanceLockName(a), InstanceLockName(a + "2"));
}

// Every spelling of one file shares its lock, and the log names the
// resolved path; files whose paths differ only in their "/" do not share.
TEST_F(DaemonControllerTest, TheInstanceLockIsKeyedOnTheResolvedPath) {
  test::LoggingCore core;
  for (const char* sub : {"ab", "a"}) fs::create_directory(dir.File(sub));
  for (const char* name : {"obs.xml", "ab/c.xml", "a/bc.xml"}) dir.Write(name, "");
  fs::create_symlink("obs.xml", dir.File("link.xml"));
  InstanceLock holder(core.log), other(core.log);
  ASSERT_TRUE(holder.RegisterInstance(dir.File("link.xml")));
  std::string key = fs::canonical(dir.path()).string() + "obs.xml";
  std::erase(key, '/');
  EXPECT_EQ(core.Lines().back(), "  Debug ] Mutex for '" + key + "' registered.");
  ASSERT_TRUE(other.RegisterInstance(dir.File("ab/c.xml")));
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.File("ab"));
  for (const std::string& same :
       {dir.File("obs.xml"), dir.File("./obs.xml"), dir.File("a/../obs.xml"),
        std::string("../obs.xml"), std::string("c.xml")}) {
    EXPECT_FALSE(InstanceLock(core.log).RegisterInstance(same)) << same;
  }
  EXPECT_TRUE(InstanceLock(core.log).RegisterInstance(dir.File("a/bc.xml")));
  fs::current_path(cwd);
}

// A holder is replaced the way a smart pointer does it: the new one is made
// before the old one goes. The old one must not take the new one's pipe
// along, or a signal would no longer wake the event loop.
TEST(StopSignalsTest, OneThatGoesLeavesTheNextOneAwake) {
  using platform::StopSignals;
  auto holder = std::make_unique<StopSignals>();
  holder = std::make_unique<StopSignals>();
  ASSERT_GE(holder->ReadEnd(), 0);
  ASSERT_EQ(::raise(SIGHUP), 0);
  EXPECT_TRUE(platform::AwaitReadable(holder->ReadEnd(), 0));
  holder = std::make_unique<StopSignals>();  // clears the flag for the tests after this one
}

}  // namespace
}  // namespace corvane
