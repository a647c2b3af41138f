#include "core/change_wakeups.h"

#include <gtest/gtest.h>

#include "support/event_loop.h"
#include "support/fake_change_source.h"
#include "support/logging_core.h"

namespace corvane {
namespace {

using test::Eventually, test::FakeChangeSource, test::Settle;

class ChangeWakeupsTest : public ::testing::Test {
 protected:
  ChangeWakeupsTest() {
    core.state.points.push_back(Point("watched", "/in/", true));
    core.state.points.push_back(Point("polled", "/other/", false));
  }
  static ObservationPoint Point(const std::string& name, const std::string& dir, bool watch) {
    ObservationPoint point;
    point.name = name;
    point.directory = dir;
    point.interval = 60;
    point.watch = watch;
    return point;
  }
  // The source the wake-ups made; the object is made on the first Follow.
  FakeChangeSource& Source() { return *made.back(); }
  ChangeWakeups::SourceFactory Factory() {
    return [this] {
      auto source = std::make_unique<FakeChangeSource>();
      source->MakeDirectory("/in/sub/");
      source->MakeDirectory("/other/");
      made.push_back(source.get());
      return source;
    };
  }
  int Warnings() const {
    int count = 0;
    for (const std::string& line : core.Lines()) count += line.starts_with("Warning ]") ? 1 : 0;
    return count;
  }

  test::LoggingCore core;
  std::vector<FakeChangeSource*> made;
  bool busy = false;
  bool running = true;
  std::vector<std::size_t> checked;
  std::function<void(std::size_t)> duringCheck;
  ChangeWakeups wakeups{core.state, core.log,
                        ChangeWakeups::Hooks{[this] { return busy; }, [this] { return running; },
                                             [this](std::size_t index) {
                                               EXPECT_FALSE(busy) << "a check ran nested";
                                               busy = true;
                                               checked.push_back(index);
                                               if (duringCheck) duringCheck(index);
                                               busy = false;
                                             }},
                        Factory()};
};

TEST_F(ChangeWakeupsTest, AWakeUpDuringACheckRunsOnceAfterItAndNeverWhilePaused) {
  wakeups.Follow();
  ASSERT_EQ(made.size(), 1u);
  // Events while the woken check waits for its command: one more check after it.
  duringCheck = [&](std::size_t) {
    duringCheck = nullptr;
    Source().Queue(Source().WatchOf("/in/"), ChangeKind::Changed);
    Source().Queue(Source().WatchOf("/in/"), ChangeKind::Changed);
    Settle(400);
  };
  Source().Queue(Source().WatchOf("/in/sub/"), ChangeKind::Changed);
  ASSERT_TRUE(Eventually([&] { return checked.size() == 2; }));
  Settle(400);
  EXPECT_EQ(checked, (std::vector<std::size_t>{0, 0}));

  // A tick's check runs: the wake-up waits for it.
  busy = true;
  Source().Queue(Source().WatchOf("/in/"), ChangeKind::Changed);
  Settle(400);
  EXPECT_EQ(checked.size(), 2u);
  busy = false;
  EXPECT_TRUE(Eventually([&] { return checked.size() == 3; }));

  // While paused wake-ups are dropped, not kept for later.
  running = false;
  Source().Queue(Source().WatchOf("/in/"), ChangeKind::Changed);
  Settle(400);
  running = true;
  Settle(400);
  EXPECT_EQ(checked.size(), 3u);
}

TEST_F(ChangeWakeupsTest, AnOverflowChecksAtOnceWithOneWarningNamingThePointAndTheReason) {
  wakeups.Follow();
  Source().Queue(-1, ChangeKind::Overflow);
  ASSERT_TRUE(Eventually([&] { return checked.size() == 1; }));
  Source().Queue(-1, ChangeKind::Overflow);
  Settle(300);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_TRUE(core.Logged("watched: change events are not used (events were lost)"));
  EXPECT_EQ(core.state.points[0].watchFallback, WatchFallback::Overflow);
  EXPECT_EQ(WatchStateText(core.language, core.state.points[0]), "interval only: events were lost");
  EXPECT_EQ(WatchStateText(core.language, core.state.points[1]), "no");
}

TEST_F(ChangeWakeupsTest, TheTableIsFollowedAndNothingIsOpenedWithoutAWatchedPoint) {
  core.state.points[0].watch = false;
  wakeups.Follow();
  EXPECT_TRUE(made.empty());
  core.state.points[1].watch = true;
  wakeups.Tick();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_NE(Source().WatchOf("/other/"), -1);
  EXPECT_EQ(Source().WatchOf("/in/"), -1);
  Source().Queue(Source().WatchOf("/other/"), ChangeKind::Changed);
  ASSERT_TRUE(Eventually([&] { return checked.size() == 1; }));
  EXPECT_EQ(checked[0], 1u);
  EXPECT_EQ(WatchStateText(core.language, core.state.points[1]), "yes");

  // Each value a watch depends on arms the table anew; the command does not.
  const std::vector<std::function<void(ObservationPoint&)>> changes = {
      [](ObservationPoint& p) { p.command = "other"; },
      [](ObservationPoint& p) { p.directory = "/in/"; },
      [](ObservationPoint& p) { p.noSubdirectories = true; },
      [](ObservationPoint& p) { p.interval = 5; },
  };
  for (std::size_t i = 0; i < changes.size(); ++i) {
    changes[i](core.state.points[1]);
    wakeups.Tick();
    EXPECT_EQ(made.size(), i + 1) << i;
  }
}

}  // namespace
}  // namespace corvane
