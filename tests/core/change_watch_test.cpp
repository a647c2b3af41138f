#include "core/change_watch.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <QThread>
#include <algorithm>
#include <filesystem>

#include "core/change_source.h"
#include "core/change_wakeups.h"
#include "platform/directory_listing.h"
#include "support/event_loop.h"
#include "support/fake_change_source.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FakeChangeSource;
using Time = ChangeWatch::Time;
using Indexes = std::vector<std::size_t>;
using Notices = std::vector<std::pair<std::size_t, WatchFallback>>;

ObservationPoint Watched(const std::string& directory, bool subdirs = true, int interval = 60) {
  ObservationPoint point;
  point.directory = directory;
  point.noSubdirectories = !subdirs;
  point.interval = interval;
  point.watch = true;
  return point;
}

class ChangeWatchTest : public ::testing::Test {
 protected:
  ChangeWatchTest() {
    for (const char* dir : {"/in/a/deep/", "/in/b/", "/other/"}) source.MakeDirectory(dir);
  }
  void Arm(PointTable table) {
    points = std::move(table);
    watch.Arm(points);
  }
  void Event(const std::string& dir, Time at, ChangeKind kind = ChangeKind::Changed) {
    source.Queue(source.WatchOf(dir), kind);
    watch.TakeEvents(at);
  }
  // Due at `at`, not a millisecond before; then woken.
  void Wakes(Time at) {
    EXPECT_EQ(watch.Due(at - 1ms), Indexes{}) << (at - t0) / 1ms;
    EXPECT_EQ(watch.Due(at), Indexes{0}) << (at - t0) / 1ms;
    watch.MarkWoken(0, at);
  }
  FakeChangeSource source;
  Notices notices;
  ChangeWatch watch{source, [this](std::size_t i, WatchFallback r) { notices.emplace_back(i, r); },
                    [this] { return stop; }};
  PointTable points;
  bool stop = false;
  const Time t0 = Time{} + 1h;
};

TEST_F(ChangeWatchTest, BurstsSettleButACompletedFileIsLookedAtAtOnce) {
  Arm({Watched("/in/")});
  Event("/in/", t0);
  Wakes(t0 + 50ms);
  Event("/in/", t0 + 60ms);  // a second burst waits 250 ms after the last wake-up
  Wakes(t0 + 300ms);

  // A steady stream, never quiet for 50 ms, still wakes 250 ms after its start.
  const Time start = t0 + 1s;
  for (auto at = start; at < start + 250ms; at += 40ms) Event("/in/", at);
  Wakes(start + 250ms);

  // A file closed after writing, or moved in: at once, then at most every 50 ms.
  const Time later = start + 1s;
  Event("/in/", later, ChangeKind::Completed);
  Wakes(later);
  Event("/in/", later + 10ms, ChangeKind::Completed);
  Wakes(later + 50ms);
}

TEST_F(ChangeWatchTest, OverlappingPointsShareWatches) {
  source.aliases["/link-to-b/"] = "/in/b/";
  Arm({Watched("/in/"), Watched("/in/b/"), Watched("/link-to-b/", false), Watched("/other/")});
  EXPECT_EQ(source.active.size(), 5u);  // in, a, deep, b, other: one watch each

  Event("/in/b/", t0);
  EXPECT_EQ(watch.Due(t0 + 50ms), (Indexes{0, 1, 2}));
  Event("/in/a/deep/", t0 + 100ms);
  EXPECT_EQ(watch.Due(t0 + 150ms), (Indexes{0, 1, 2}));  // still pending from the first
  for (std::size_t i : {0, 1, 2}) watch.MarkWoken(i, t0 + 150ms);
  Event("/in/a/deep/", t0 + 200ms);
  EXPECT_EQ(watch.Due(t0 + 1s), Indexes{0});
}

TEST_F(ChangeWatchTest, SubDirectoriesComeAndGoOnlyWhenTheyCount) {
  Arm({Watched("/in/"), Watched("/other/", false)});
  for (const char* dir : {"/in/b/new/inner/", "/other/new/"}) source.MakeDirectory(dir);
  Event("/in/b/", t0, ChangeKind::NewDirectory);
  Event("/other/", t0, ChangeKind::NewDirectory);
  EXPECT_NE(source.WatchOf("/in/b/new/inner/"), -1);
  EXPECT_EQ(source.WatchOf("/other/new/"), -1);

  // A lost one costs only its own watch.
  Event("/in/b/", t0 + 20ms, ChangeKind::Gone);
  EXPECT_EQ(source.WatchOf("/in/b/"), -1);
  EXPECT_NE(source.WatchOf("/in/a/deep/"), -1);
  EXPECT_TRUE(notices.empty());
}

TEST_F(ChangeWatchTest, AnOverflowWakesEveryWatchedPointAtOnceAndPausesEventsForOneInterval) {
  Arm({Watched("/in/", true, 2), ObservationPoint{}, Watched("/other/", true, 5)});
  watch.MarkWoken(0, t0);
  for (int lost = 0; lost < 2; ++lost) source.Queue(-1, ChangeKind::Overflow);
  watch.TakeEvents(t0 + 1ms);
  EXPECT_EQ(watch.Due(t0 + 1ms), (Indexes{0, 2}));  // neither quiet nor spacing holds it back
  EXPECT_EQ(notices, (Notices{{0, WatchFallback::Overflow}, {2, WatchFallback::Overflow}}));
  EXPECT_TRUE(source.active.empty());
  for (std::size_t i : {0, 2}) watch.MarkWoken(i, t0 + 2ms);

  notices.clear();
  for (int tick = 1; tick <= 2; ++tick) watch.Tick(t0 + std::chrono::seconds(tick));
  EXPECT_TRUE(notices.empty());
  watch.Tick(t0 + 3s);  // interval 2: events count again on the third tick
  EXPECT_EQ(notices, (Notices{{0, WatchFallback::None}}));
  EXPECT_EQ(watch.Due(t0 + 3s), Indexes{0});  // events missed meanwhile: looked at once
}

TEST_F(ChangeWatchTest, TheWatchLimitSendsOnlyTheGreedyPointBackAndAStopEndsTheWalk) {
  // 100,000 sub-directories against a limit of 8,192 watches.
  for (int i = 0; i < 100000; ++i) source.MakeDirectory("/huge/" + std::to_string(i) + "/");
  source.limit = 8192;
  Arm({Watched("/other/"), Watched("/huge/"), Watched("/in/")});
  EXPECT_EQ(source.active.size(), 5u);  // the huge tree let go of all it held
  watch.Tick(t0 + 1s);                  // the limit stays: no retry, no second line
  EXPECT_EQ(notices, (Notices{{1, WatchFallback::WatchLimit}}));
  stop = true;  // a stop ends the walk of the huge tree at once
  const int adds = source.adds;
  Arm({Watched("/huge/")});
  EXPECT_LE(source.adds - adds, 2);
}

// A source that cannot be trusted sends the point back to its interval with
// the reason. A rearm tries every fallen point again and tells the outcome
// either way, whatever the reason.
TEST_F(ChangeWatchTest, UntrustedSourcesFallBackWithTheirReasonUntilARearmFindsThemMended) {
  const std::vector<std::tuple<std::string, std::function<void(bool)>, WatchFallback>> cases = {
      {"/in/", [&](bool broken) { source.limit = broken ? 2 : 100; }, WatchFallback::WatchLimit},
      {"/in/", [&](bool broken) { source.delivers = !broken; }, WatchFallback::NoEvents},
      {"/in/", [&](bool broken) { source.descriptor = !broken; }, WatchFallback::Unavailable},
      {"/back/", [&](bool broken) { source.MakeDirectory(broken ? "/x/" : "/back/a/deep/"); },
       WatchFallback::DirectoryGone},
  };
  for (const auto& [directory, breakSource, reason] : cases) {
    SCOPED_TRACE(static_cast<int>(reason));
    notices.clear();
    breakSource(true);
    Arm({Watched(directory), ObservationPoint{}});
    EXPECT_TRUE(source.active.empty());
    watch.Publish(points);
    EXPECT_EQ(points[0].watchFallback, reason);
    watch.Rearm(t0);  // still broken: told again
    breakSource(false);
    watch.Rearm(t0);
    EXPECT_EQ(notices, (Notices{{0, reason}, {0, reason}, {0, WatchFallback::None}}));
    EXPECT_NE(source.WatchOf(directory + "a/deep/"), -1);
    EXPECT_EQ(watch.Due(t0), Indexes{0});
  }
}

TEST_F(ChangeWatchTest, FilesACheckPassedOverBringTheNextOneForward) {
  Arm({Watched("/in/", true, 1)});
  const std::set<std::string> busy = {"/in/a/busy.txt"};
  // Still busy: looked at again later each time, at most an interval later.
  Time at = t0;
  for (const auto wait : {100ms, 200ms, 400ms, 800ms, 1000ms}) {
    watch.BeforeCheck(0);
    EXPECT_EQ(source.WatchOf("/in/a/busy.txt"), -1);  // the check's own look goes unheard
    watch.AfterCheck(0, {busy, {}}, at);
    EXPECT_EQ(watch.NextDue(), at + wait);
    watch.MarkWoken(0, at += wait);
  }
  // Closed by whoever held it: checked as after any event.
  watch.AfterCheck(0, {busy, {}}, at);
  Event("/in/a/busy.txt", at + 300ms);
  Wakes(at + 300ms);
  watch.AfterCheck(0, {{}, {}}, at + 400ms);  // handled: nothing is kept
  EXPECT_EQ(watch.NextDue(), std::nullopt);
  EXPECT_EQ(source.active.size(), 4u);

  // A young file wakes the point when it comes of age, unless its interval comes first.
  watch.AfterCheck(0, {{}, at + 900ms}, at);
  EXPECT_EQ(watch.NextDue(), at + 900ms);
  watch.AfterCheck(0, {{}, at + 1100ms}, at);
  EXPECT_EQ(watch.NextDue(), std::nullopt);
}

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

class ChangeWakeupsTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  ChangeWakeupsTest() { state.points = {Watched("/in/")}; }
  // The source is made on the first Follow.
  ChangeWakeups::SourceFactory Factory() {
    return [this] {
      auto made = std::make_unique<FakeChangeSource>();
      made->MakeDirectory("/in/sub/");
      source = made.get();
      ++sources;
      return made;
    };
  }
  // The check records the point and runs `duringCheck` in its middle.
  ChangeWakeups::Hooks Hooks() {
    return {[this] { return busy; }, [this] { return running; },
            [this](std::size_t index) {
              EXPECT_FALSE(std::exchange(busy, true)) << "a check ran nested";
              checked.push_back(index);
              if (duringCheck) std::exchange(duringCheck, {})();
              busy = false;
            }};
  }
  // Queues an event and turns the event loop until the wake-ups have read it.
  void Event(const std::string& dir, ChangeKind kind = ChangeKind::Changed) {
    source->Queue(dir.empty() ? -1 : source->WatchOf(dir), kind);
    ASSERT_TRUE(test::Eventually([&] { return !source->Waiting(); }));
  }

  FakeChangeSource* source = nullptr;
  int sources = 0;  // made so far
  bool busy = false;
  bool running = true;
  Indexes checked;
  std::function<void()> duringCheck;
  std::unique_ptr<ManualTimer> ownTimer = std::make_unique<ManualTimer>();
  ManualTimer& timer = *ownTimer;
  ChangeWakeups wakeups{state, log, Hooks(), Factory(), std::move(ownTimer)};
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

  // While paused wake-ups are dropped, not kept for later.
  running = false;
  Event("/in/");
  timer.Advance(1s);
  running = true;
  timer.Advance(1min);
  EXPECT_EQ(checked.size(), 2u);
}

TEST_F(ChangeWakeupsTest, LostEventsAreToldOnceNamingThePointAndTheReason) {
  state.points[0].name = "watched";
  wakeups.Follow();
  for (int lost = 0; lost < 2; ++lost) Event("", ChangeKind::Overflow);
  EXPECT_EQ(Lines(), std::vector<std::string>{"Warning ] watched: change events are not used "
                                              "(events were lost); the point is checked "
                                              "every 60 sec."});
}

// Nothing is opened without a watched point; a value a watch depends on
// arms the table anew at the next tick, the command does not.
TEST_F(ChangeWakeupsTest, TheTableIsFollowedAndNothingIsOpenedWithoutAWatchedPoint) {
  state.points[0].watch = false;
  wakeups.Follow();
  EXPECT_EQ(sources, 0);
  state.points[0].watch = true;
  wakeups.Tick();
  ASSERT_EQ(sources, 1);
  Event("/in/");
  timer.Advance(1s);
  EXPECT_EQ(checked, Indexes{0});
  state.points[0].command = "other";
  wakeups.Tick();
  EXPECT_EQ(sources, 1);
  state.points[0].noSubdirectories = true;
  wakeups.Tick();
  EXPECT_EQ(sources, 2);
}

TEST_F(ChangeWakeupsTest, AFileThatComesOfAgeWakesItsPointThen) {
  wakeups.Follow();
  state.points[0].comesOfAge = timer.SinceEpoch() / 1s + 2;
  wakeups.AfterCheck(0);
  timer.Advance(2s - 1ms);
  EXPECT_EQ(checked, Indexes{});
  timer.Advance(1ms);
  EXPECT_EQ(checked, Indexes{0});
}

// The system's source, on a real tree.
class ChangeEventsTest : public ::testing::Test {
 protected:
  const test::TempDir dir;
  const std::unique_ptr<ChangeSource> source = MakeSystemChangeSource();
};

// Files written, new and deleted directories are seen by the end-to-end
// tests; moves are not.
TEST_F(ChangeEventsTest, AFileMovedInIsCompleted) {
  fs::create_directory(dir.File("in"));
  dir.Write("elsewhere.txt", "x");
  const WatchResult watch = source->Add(dir.File("in/"));
  ASSERT_TRUE(watch);
  fs::rename(dir.File("elsewhere.txt"), dir.File("in/f.txt"));
  std::vector<ChangeEvent> events;
  EXPECT_TRUE(test::Eventually([&] {
    source->Read(events);
    return std::ranges::any_of(
        events, [&](auto e) { return e.watch == *watch && e.kind == ChangeKind::Completed; });
  }));
}

// A link is watched only where the path ends in "/"; a missing directory
// is told as such, so that the point waits for it to come back.
TEST_F(ChangeEventsTest, LinksAndMissingDirectoriesAreRefusedAndTheDescriptorIsNotInherited) {
  fs::create_directory_symlink(dir.path(), dir.File("link"));
  for (const char* name : {"link", "missing"}) {
    const WatchResult watch = source->Add(dir.File(name));
    EXPECT_TRUE(!watch && watch.error() == WatchFailure::NotADirectory) << name;
  }
  EXPECT_NE(::fcntl(source->Descriptor(), F_GETFD) & FD_CLOEXEC, 0);
}

// Nothing written outside the tree wakes the point through a link inside it
// (the link the observation file names is followed). Nor does the exclusive
// test of every check, of the files it may hand on: else a file held open
// would keep its point busy.
TEST_F(ChangeEventsTest, NeitherALinkBelowThePointNorTheExclusiveTestWakesIt) {
  fs::create_directories(dir.File("in/sub"));
  fs::create_directory(dir.File("outside"));
  fs::create_directory_symlink(dir.File("outside"), dir.File("in/sub/link"));
  fs::create_directory_symlink(dir.File("in"), dir.File("link-to-in"));
  dir.Write("in/held.txt", "x");
  ChangeWatch watch(*source, {}, {});
  watch.Arm({Watched(dir.File("link-to-in/"))});
  dir.Write("outside/x.txt", "x");
  const platform::DirectoryListing listing(dir.File("in"));
  platform::ForeignOpenFiles foreign;
  const auto status = listing.Status("held.txt");
  ASSERT_TRUE(status);
  EXPECT_EQ(listing.TestExclusive("held.txt", *status, foreign), platform::Exclusive::Yes);
  const auto later = std::chrono::steady_clock::now() + 1s;
  QThread::msleep(50);
  watch.TakeEvents(later);
  EXPECT_TRUE(watch.Due(later + 1s).empty());
  dir.Write("in/sub/y.txt", "y");
  QThread::msleep(50);
  watch.TakeEvents(later);
  EXPECT_FALSE(watch.Due(later + 1s).empty());
}

}  // namespace
}  // namespace corvane
