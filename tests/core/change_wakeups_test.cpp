#include "core/change_wakeups.h"

#include <gtest/gtest.h>

#include "support/event_loop.h"
#include "support/fake_change_source.h"
#include "support/logging_core.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::FakeChangeSource;
using Indexes = std::vector<std::size_t>;

// Time that moves only when the test moves it; a call that falls due on
// the way is made at its time.
class ManualTimer final : public WakeupTimer {
 public:
  ChangeWatch::Time Now() const override { return now; }
  std::chrono::milliseconds SinceEpoch() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  }
  void Start(std::chrono::milliseconds wait) override { pending = now + wait; }
  void Stop() override { pending.reset(); }
  void Advance(std::chrono::milliseconds by) {
    const ChangeWatch::Time until = now + by;
    for (int calls = 0; pending && *pending <= until; ++calls) {
      ASSERT_LT(calls, 100000) << "the timer is started again without end";
      now = *std::exchange(pending, std::nullopt);
      due();
    }
    now = until;
  }

  ChangeWatch::Time now = ChangeWatch::Time{} + 1000h;
  std::optional<ChangeWatch::Time> pending;
};

class ChangeWakeupsTest : public ::testing::Test {
 protected:
  ChangeWakeupsTest() {
    for (const auto& [name, directory, watch] :
         {std::tuple{"watched", "/in/", true}, {"polled", "/other/", false}}) {
      ObservationPoint& point = core.state.points.emplace_back();
      point.name = name;
      point.directory = directory;
      point.interval = 60;
      point.watch = watch;
    }
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
  // Queues an event and turns the event loop until the wake-ups have read it.
  void Event(const std::string& dir, ChangeKind kind = ChangeKind::Changed) {
    Source().Queue(dir.empty() ? -1 : Source().WatchOf(dir), kind);
    ASSERT_TRUE(test::Eventually([&] { return !Source().Waiting(); }));
  }

  test::LoggingCore core;
  std::vector<FakeChangeSource*> made;
  bool busy = false;
  bool running = true;
  Indexes checked;
  std::function<void()> duringCheck;
  std::unique_ptr<ManualTimer> ownTimer = std::make_unique<ManualTimer>();
  ManualTimer& timer = *ownTimer;
  ChangeWakeups wakeups{core.state, core.log,
                        ChangeWakeups::Hooks{[this] { return busy; }, [this] { return running; },
                                             [this](std::size_t index) {
                                               EXPECT_FALSE(busy) << "a check ran nested";
                                               busy = true;
                                               checked.push_back(index);
                                               if (duringCheck) std::exchange(duringCheck, {})();
                                               busy = false;
                                             }},
                        Factory(), std::move(ownTimer)};
};

TEST_F(ChangeWakeupsTest, AWakeUpDuringACheckRunsOnceAfterItAndNeverWhilePaused) {
  wakeups.Follow();
  // Events while the woken check waits for its command: one more check after it.
  duringCheck = [&] {
    Event("/in/");
    Event("/in/");
    timer.Advance(1s);
  };
  Event("/in/sub/");
  timer.Advance(ChangeWatch::kQuiet - 1ms);
  EXPECT_EQ(checked, Indexes{});
  timer.Advance(1ms);
  EXPECT_EQ(checked, Indexes{0});
  timer.Advance(1s);
  EXPECT_EQ(checked, (Indexes{0, 0}));

  // A tick's check runs: the wake-up waits for it, and comes soon after.
  busy = true;
  Event("/in/");
  timer.Advance(1s);
  busy = false;
  EXPECT_EQ(checked.size(), 2u);
  timer.Advance(20ms);
  EXPECT_EQ(checked.size(), 3u);

  // While paused wake-ups are dropped, not kept for later.
  running = false;
  Event("/in/");
  timer.Advance(1s);
  running = true;
  timer.Advance(1min);
  EXPECT_EQ(checked.size(), 3u);
}

TEST_F(ChangeWakeupsTest, AFileThatComesOfAgeWakesItsPointThen) {
  wakeups.Follow();
  core.state.points[0].comesOfAge = timer.SinceEpoch() / 1s + 2;
  wakeups.AfterCheck(0);
  timer.Advance(2s - 1ms);
  EXPECT_EQ(checked, Indexes{});
  timer.Advance(1ms);
  EXPECT_EQ(checked, Indexes{0});
}

TEST_F(ChangeWakeupsTest, AnOverflowChecksAtOnceWithOneWarningNamingThePointAndTheReason) {
  wakeups.Follow();
  Event("", ChangeKind::Overflow);
  timer.Advance(0ms);
  EXPECT_EQ(checked, Indexes{0});
  Event("", ChangeKind::Overflow);
  timer.Advance(1s);
  EXPECT_EQ(core.Lines(), std::vector<std::string>{"Warning ] watched: change events are not used "
                                                   "(events were lost); the point is checked "
                                                   "every 60 sec."});
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
  EXPECT_EQ(Source().WatchOf("/in/"), -1);
  Event("/other/");
  timer.Advance(1s);
  EXPECT_EQ(checked, Indexes{1});
  EXPECT_EQ(WatchStateText(core.language, core.state.points[1]), "yes");

  // A value a watch depends on arms the table anew; the command does not.
  core.state.points[1].command = "other";
  wakeups.Tick();
  EXPECT_EQ(made.size(), 1u);
  core.state.points[1].noSubdirectories = true;
  wakeups.Tick();
  EXPECT_EQ(made.size(), 2u);
}

}  // namespace
}  // namespace corvane
