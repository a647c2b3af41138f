#include "core/check_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "lang/language.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

// Answers each check with a preset status and records which points were
// looked at; can run something in the middle of a check, as a console
// command would while a command is waited for.
class FakeDirectoryCheck final : public DirectoryCheck {
 public:
  bool fCheckDirectory(std::int32_t& iCount, const std::string& sDir,
                       ObservationPoint& point) override {
    checked.push_back(point.Name);
    if (duringCheck) std::exchange(duringCheck, nullptr)();
    iCount = status.count(sDir) ? status[sDir] : CheckStatus::NothingQualified;
    return iCount > 0;
  }
  std::map<std::string, std::int32_t> status;
  std::vector<std::string> checked;
  std::function<void()> duringCheck;
};

class CheckCycleTest : public ::testing::Test {
 protected:
  void SetUp() override { state.iLogLevel = LogLevel::Debug; }
  ObservationPoint& AddPoint(const std::string& name, std::int32_t interval,
                             const std::string& directory = "") {
    ObservationPoint p;
    p.Name = name;
    p.Intervall = interval;
    p.Directory = directory.empty() ? dir.path() + "/" : directory;
    state.Points.push_back(p);
    return state.Points.back();
  }
  // The log lines without their stamp.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const auto& t : view.Texts()) lines.push_back(t.substr(t.find(' ', 12) + 1));
    return lines;
  }
  // The ticks (1-based) on which the point named `name` was checked.
  std::vector<int> CheckedTicks(int ticks, const std::string& name) {
    std::vector<int> on;
    for (int tick = 1; tick <= ticks; ++tick) {
      checks.checked.clear();
      cycle.fCheckPoints(false);
      if (std::find(checks.checked.begin(), checks.checked.end(), name) != checks.checked.end()) {
        on.push_back(tick);
      }
    }
    return on;
  }

  test::TempDir dir;
  DaemonState state;
  Language language;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  SystemClock clock;
  Log log{state, language, view, desktop, clock};
  FakeDirectoryCheck checks;
  CheckCycle cycle{state, log, checks};
};

TEST_F(CheckCycleTest, APointWithIntervalNIsCheckedEveryNPlusOneTicks) {
  AddPoint("one", 1);
  AddPoint("five", 5);
  EXPECT_EQ(CheckedTicks(18, "one"), (std::vector<int>{2, 4, 6, 8, 10, 12, 14, 16, 18}));
  state.Points[1].lTicks = 0;
  state.Points[0].lTicks = 0;
  EXPECT_EQ(CheckedTicks(18, "five"), (std::vector<int>{6, 12, 18}));
}

TEST_F(CheckCycleTest, ForcedWalkChecksAllAndResetsCounters) {
  AddPoint("a", 3).lTicks = 2;
  AddPoint("b", 100);
  EXPECT_TRUE(cycle.fCheckPoints(true));
  EXPECT_EQ(checks.checked, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(state.Points[0].lTicks, 0);
  EXPECT_EQ(state.Points[1].lTicks, 0);
}

TEST_F(CheckCycleTest, ReportsEachOutcome) {
  const std::string missing = dir.File("missing") + "/";
  AddPoint("gone", 1, missing);
  AddPoint("busy", 1);
  checks.status[dir.path() + "/"] = 40000;  // more than 16 bits can count
  EXPECT_FALSE(cycle.fCheckPoints(true));
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "  Error ] modMain::fCheckPoints: Directory not found: " + missing,
                         "   Info ] busy: found 40000 files in " + dir.path() + "/."}));
  EXPECT_EQ(checks.checked, (std::vector<std::string>{"busy"}));
}

TEST_F(CheckCycleTest, NothingFoundIsNoFailure) {
  AddPoint("quiet", 1);
  EXPECT_TRUE(cycle.fCheckPoints(true));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"  Debug ] quiet: no new files found in " +
                                               dir.path() + "/."}));
}

TEST_F(CheckCycleTest, FailedAndUnknownStatuses) {
  AddPoint("broken", 1);
  checks.status[dir.path() + "/"] = CheckStatus::UnexpectedError;
  EXPECT_FALSE(cycle.fCheckPoints(true));
  checks.status[dir.path() + "/"] = -7;
  EXPECT_FALSE(cycle.fCheckPoints(true));
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "  Error ] modMain::fCheckPoints: fCheckDirectory terminated "
                         "unexpectedly for " +
                             dir.path() + "/",
                         "  Error ] modMain::fCheckPoints: Unknown error in fCheckDirectory!"}));
}

TEST_F(CheckCycleTest, TheBlankEntryIsDueOnEveryTickAndReportsAMissingDirectory) {
  state.Points.assign(1, ObservationPoint::Blank());
  EXPECT_FALSE(cycle.fCheckPoints(false));
  EXPECT_FALSE(cycle.fCheckPoints(false));
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Lines()[1], "  Error ] modMain::fCheckPoints: Directory not found: ");
}

TEST_F(CheckCycleTest, ACheckInsideACheckIsRefusedAndReportsOnlyTheWarning) {
  AddPoint("outer", 1);
  AddPoint("other", 1);
  bool innerResult = false;
  checks.duringCheck = [&] { innerResult = cycle.fCheckPoints(true); };
  EXPECT_TRUE(cycle.fCheckPoints(true));
  EXPECT_TRUE(innerResult);
  EXPECT_EQ(checks.checked, (std::vector<std::string>{"outer", "other"}));
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Warning ] fCheckDirectory was called, while it is still running!");
  EXPECT_EQ(lines[1], "Warning ] fCheckDirectory was called, while it is still running!");
  EXPECT_FALSE(state.bCheckRunning);
}

TEST_F(CheckCycleTest, TableChangesWaitForTheWalkToEnd) {
  AddPoint("a", 1);
  AddPoint("b", 1);
  bool ranAtOnce = true;
  checks.duringCheck = [&] {
    ranAtOnce = cycle.ChangePointTable([&] { state.Points.assign(1, ObservationPoint::Blank()); });
    EXPECT_EQ(state.Points.size(), 2u);
  };
  cycle.fCheckPoints(true);
  EXPECT_FALSE(ranAtOnce);
  EXPECT_EQ(checks.checked, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(state.Points.size(), 1u);
  EXPECT_TRUE(cycle.ChangePointTable([&] { state.Points.clear(); }));
  EXPECT_TRUE(state.Points.empty());
}

}  // namespace
}  // namespace corvane
