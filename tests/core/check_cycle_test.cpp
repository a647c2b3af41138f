#include "core/check_cycle.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using Texts = std::vector<std::string>;

// Answers each check with a preset result and records which points were
// looked at; can run something in the middle of a check, as a console
// command would while a command is waited for.
class CheckCycleTest : public ::testing::Test, protected test::LoggingCore, public DirectoryCheck {
 protected:
  CheckResult CheckDirectory(const std::string&, ObservationPoint& point) override {
    checked.push_back(point.name);
    if (duringCheck) std::exchange(duringCheck, nullptr)();
    if (std::exchange(throws, false)) throw std::overflow_error("too many files");
    return result;
  }
  ObservationPoint& AddPoint(const std::string& name, std::int32_t interval = 1) {
    ObservationPoint& point = state.points.emplace_back();
    point.name = name;
    point.interval = interval;
    point.directory = in;
    return point;
  }

  CheckResult result;
  bool throws = false;
  Texts checked;
  std::function<void()> duringCheck;
  test::TempDir dir;
  const std::string in = dir.path() + "/";
  CheckCycle cycle{state, log, *this};
};

TEST_F(CheckCycleTest, APointWithIntervalNIsCheckedEveryNPlusOneTicksOrWhenForcedOrWoken) {
  AddPoint("one", 1);
  AddPoint("five", 5).ticks = 2;
  AddPoint("zero", 0);  // as the blank entry a failed load leaves
  std::map<std::string, std::vector<int>> ticks;
  for (int tick = 1; tick <= 12; ++tick) {
    checked.clear();
    EXPECT_TRUE(cycle.CheckDuePoints());
    for (const std::string& name : checked) ticks[name].push_back(tick);
  }
  EXPECT_EQ(ticks["one"], (std::vector<int>{2, 4, 6, 8, 10, 12}));
  EXPECT_EQ(ticks["five"], (std::vector<int>{4, 10}));
  EXPECT_EQ(ticks["zero"].size(), 12u);

  // Forced, or woken by change events: at once, and the count starts anew.
  state.points[1].ticks = 3;
  checked.clear();
  EXPECT_TRUE(cycle.CheckAllPoints());
  EXPECT_EQ(checked, (Texts{"one", "five", "zero"}));
  EXPECT_EQ(state.points[1].ticks, 0);
  state.points[1].ticks = 3;
  EXPECT_TRUE(cycle.CheckWokenPoint(1));
  EXPECT_FALSE(cycle.CheckWokenPoint(3));  // no such point
  EXPECT_EQ(checked, (Texts{"one", "five", "zero", "five"}));
  EXPECT_EQ(state.points[1].ticks, 0);
}

TEST_F(CheckCycleTest, ReportsEachOutcome) {
  AddPoint("gone").directory = dir.File("missing") + "/";
  AddPoint("busy");
  result = {CheckStatus::FilesHandled, 40000};  // more than 16 bits can count
  EXPECT_FALSE(cycle.CheckAllPoints());         // a missing directory is a failure
  state.points.erase(state.points.begin());
  result = {CheckStatus::NothingQualified, 0};
  EXPECT_TRUE(cycle.CheckAllPoints());
  result = {CheckStatus::UnexpectedError, 0};
  EXPECT_FALSE(cycle.CheckAllPoints());
  throws = true;  // ends that check only: the next one runs
  EXPECT_FALSE(cycle.CheckAllPoints());
  result = {CheckStatus::NothingQualified, 0};
  EXPECT_TRUE(cycle.CheckAllPoints());
  EXPECT_EQ(
      Lines(),
      (Texts{"  Error ] modMain::fCheckPoints: Directory not found: " + dir.File("missing/"),
             "   Info ] busy: found 40000 files in " + in + ".",
             "  Debug ] busy: no new files found in " + in + ".",
             "  Error ] modMain::fCheckPoints: fCheckDirectory terminated unexpectedly for " + in,
             "  Error ] modMain::fCheckPoints:  6 (Overflow)",
             "  Debug ] busy: no new files found in " + in + "."}));
  EXPECT_EQ(checked, Texts(5, "busy"));
}

// Asked for inside a running check (a console command while a command is
// waited for), a walk warns once per point and checks nothing, a woken
// check is refused, and a table change waits until the outer check is over.
TEST_F(CheckCycleTest, NoCheckRunsInsideAnotherAndTableChangesWaitForItsEnd) {
  AddPoint("outer");
  AddPoint("other");
  bool inner = false, woken = true, changedAtOnce = true;
  duringCheck = [&] {
    inner = cycle.CheckAllPoints();
    woken = cycle.CheckWokenPoint(1);
    changedAtOnce = cycle.ChangePointTable([&] { state.points.resize(1); });
  };
  EXPECT_TRUE(cycle.CheckAllPoints());
  EXPECT_TRUE(inner);
  EXPECT_FALSE(woken);
  EXPECT_FALSE(changedAtOnce);
  EXPECT_EQ(checked, (Texts{"outer", "other"}));
  const Texts lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Warning ] fCheckDirectory was called, while it is still running!");
  EXPECT_EQ(lines[1], lines[0]);
  EXPECT_EQ(state.points.size(), 1u);
  EXPECT_FALSE(state.checkRunning);
  EXPECT_TRUE(cycle.ChangePointTable([&] { state.points.clear(); }));  // outside a check: at once
  EXPECT_TRUE(state.points.empty());
}

}  // namespace
}  // namespace corvane
