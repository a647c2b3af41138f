#include "core/daemon_controller.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/check_cycle.h"
#include "core/instance_lock.h"
#include "core/log.h"
#include "core/settings.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

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
  EXPECT_EQ(std::tuple(controller.IsStopping(), stoppings), std::tuple(true, 1));
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
  const std::string point = "<Point><Directory>" + dir.File("in") +
                            "</Directory><Intervall Watch=\"1\">1</Intervall>" +
                            test::kNotExclusive + "<Command>true</Command></Point>";
  StartOptions options;
  options.observationFile = dir.Write("points.xml", test::ObservationXml("Inbox", {point}));
  options.allowSecondInstance = true;
  ASSERT_EQ(controller.Start(options), StartOutcome::Running);
  dir.Write("in/a.txt", "x");
  ASSERT_TRUE(test::Eventually([this] { return view.Logged("found 1 files"); }));
  EXPECT_FALSE(view.Logged("while it is still running"));
}

// Answers each check with a preset result and records which points were
// looked at; can run something in the middle of a check, as a console
// command would while a command is waited for.
class CheckCycleTest : public ::testing::Test, protected test::LoggingCore, public DirectoryCheck {
 protected:
  CheckResult CheckDirectory(const std::string&, ObservationPoint& point) override {
    checked.push_back(point.name);
    if (duringCheck) std::exchange(duringCheck, nullptr)();
    return result;
  }
  ObservationPoint& AddPoint(const std::string& name, std::int32_t interval = 1) {
    ObservationPoint& point = state.points.emplace_back();
    point.name = name, point.interval = interval, point.directory = in;
    return point;
  }

  CheckResult result;
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
  EXPECT_EQ(std::tuple(ticks["one"], ticks["five"], ticks["zero"].size()),
            std::tuple(std::vector<int>{2, 4, 6, 8, 10, 12}, std::vector<int>{4, 10}, 12u));

  // Forced, or woken by change events: at once, and the count starts anew.
  checked.clear();
  for (const bool woken : {false, true}) {
    state.points[1].ticks = 3;
    EXPECT_TRUE(woken ? cycle.CheckWokenPoint(1) : cycle.CheckAllPoints());
    EXPECT_EQ(state.points[1].ticks, 0);
  }
  EXPECT_FALSE(cycle.CheckWokenPoint(3));  // no such point
  EXPECT_EQ(checked, (Texts{"one", "five", "zero", "five"}));
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
  duringCheck = [] { throw std::overflow_error("too many files"); };  // ends that check only
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
  ASSERT_TRUE(cycle.CheckAllPoints());
  EXPECT_EQ(std::tuple(inner, woken, changedAtOnce), std::tuple(true, false, false));
  const std::string refused = "Warning ] fCheckDirectory was called, while it is still running!";
  EXPECT_EQ(Lines(), (Texts{refused, refused, "  Debug ] outer: no new files found in " + in + ".",
                            "  Debug ] other: no new files found in " + in + "."}));
  EXPECT_EQ(state.points.size(), 1u);
  // Outside a check: at once.
  EXPECT_TRUE(cycle.ChangePointTable([&] { state.points.clear(); }) && state.points.empty());
}

class LogTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  LogTest() { state.logFile = dir.File("log.txt"); }
  std::string FileContent() const { return test::ReadFile(state.logFile); }

  test::TempDir dir;
  const std::string at = "[2026-01-02 03:04:05 ";  // the fixed clock's stamp
};

// Raw lines are only shown; the level filters neither the file nor the
// balloons, which warnings and errors ask for. That the view follows the
// level, raw lines aside, is the console's set loglevel test.
TEST_F(LogTest, EachLineIsStampedAndTaggedAndTheLevelFiltersNeitherTheFileNorTheBalloons) {
  log.WriteLog("one\r\ntwo", LogLevel::Info);
  log.WriteLog("", LogLevel::Error);
  state.logLevel = LogLevel::Error;
  log.WriteLog("debug detail", LogLevel::Debug);
  log.WriteLog("careful", LogLevel::Warning);
  log.WriteLog("> help:", LogLevel::Info, kRawLine);
  const Texts lines = {at + "   Info ] one", at + "   Info ] two", at + "  Debug ] debug detail",
                       at + "Warning ] careful"};
  EXPECT_EQ(view.Texts(), (Texts{lines[0], lines[1], "> help:"}));
  EXPECT_EQ(view.balloons, Texts{lines[3]});
  EXPECT_EQ(FileContent(),
            lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n" + lines[3] + "\r\n");
}

// A log file that cannot take a line is told once, with its reason, in the
// view and on stderr, and once more when it can be written again. A FIFO
// without a reader, which must not block, is the end-to-end test's.
TEST_F(LogTest, AnUnwritableLogFileIsReportedOnceAndItsRecoveryToo) {
  state.logFile = dir.File("no/such/dir/log.txt");
  log.WriteLog("one", LogLevel::Info);
  log.WriteLog("two", LogLevel::Info);
  const std::string report =
      "  Error ] Cannot write the log file '" + state.logFile + "': No such file or directory.";
  EXPECT_EQ(Lines(), (Texts{"   Info ] one", report, "   Info ] two"}));
  fs::create_directories(dir.File("no/such/dir"));
  log.WriteLog("three", LogLevel::Info);
  log.WriteLog("four", LogLevel::Info);
  EXPECT_EQ(FileContent(), at + "   Info ] three\r\n" + at + "   Info ] The log file '" +
                               state.logFile + "' is written again.\r\n" + at +
                               "   Info ] four\r\n");
}

// A folder that is a file stops root too. Each failing save is tried
// anew, but reported only once until a save works again.
TEST_F(LogTest, ASettingsFileThatCannotBeWrittenIsReportedOncePerRunOfFailures) {
  SettingsSaver saver{log};
  const std::string file = SettingsFile();
  const fs::path folder = fs::path(file).parent_path();
  for (const LogLevel level : {LogLevel::Warning, LogLevel::Error}) {
    fs::remove_all(folder);
    std::ofstream(folder.string()) << "";
    for (int failing = 0; failing < 2; ++failing) saver.Save({level, "english.lng", {}});
    fs::remove(folder);
    saver.Save({level, "english.lng", {}});
    EXPECT_NE(test::ReadFile(file).find("Log.Level=" + std::to_string(LevelNumber(level))),
              std::string::npos);
  }
  EXPECT_EQ(Lines(),
            Texts(2, "  Error ] Cannot write the settings file '" + file + "': Not a directory."));
}

// Every spelling of one file shares its lock; files whose paths differ only
// in their "/" do not share, nor do long keys that differ only at their end,
// shortened to a file name.
TEST_F(DaemonControllerTest, TheInstanceLockIsKeyedOnTheResolvedPath) {
  const std::string longKey(400, 'k');
  EXPECT_LE(InstanceLockName(longKey).size(), 255u);
  EXPECT_NE(InstanceLockName(longKey), InstanceLockName(longKey + "2"));
  test::LoggingCore core;
  for (const char* sub : {"ab", "a"}) fs::create_directory(dir.File(sub));
  for (const char* name : {"obs.xml", "ab/c.xml", "a/bc.xml"}) dir.Write(name, "");
  fs::create_symlink("obs.xml", dir.File("link.xml"));
  InstanceLock holder(core.log), other(core.log);
  ASSERT_TRUE(holder.RegisterInstance(dir.File("link.xml")));
  ASSERT_TRUE(other.RegisterInstance(dir.File("ab/c.xml")));
  for (const char* same : {"obs.xml", "a/../obs.xml", "ab/../ab/./c.xml"}) {
    EXPECT_FALSE(InstanceLock(core.log).RegisterInstance(dir.File(same))) << same;
  }
  EXPECT_TRUE(InstanceLock(core.log).RegisterInstance(dir.File("a/bc.xml")));
}

}  // namespace
}  // namespace corvane
