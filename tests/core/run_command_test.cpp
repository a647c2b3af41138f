#include "core/run_command.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

#include "core/child_reaper.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/process.h"
#include "lang/language.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using Words = std::vector<std::string>;

// Generous: the machine running the tests may be busy.
constexpr auto kPatience = std::chrono::seconds(60);

// One shell word holding s literally.
std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The state letter of /proc/<pid>/stat and the process group; 0 when gone.
struct ProcInfo {
  char state = 0;
  int ppid = 0;
  int pgrp = 0;
};

ProcInfo Info(int pid) {
  const std::string stat = test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  ProcInfo info;
  if (close == std::string::npos) return info;
  std::sscanf(stat.c_str() + close + 1, " %c %d %d", &info.state, &info.ppid, &info.pgrp);
  return info;
}

bool IsRunning(int pid) {
  const char state = Info(pid).state;
  return state != 0 && state != 'Z' && state != 'X';
}

// Processes for which pick(pid, info) holds.
int CountProcesses(const std::function<bool(const ProcInfo&)>& pick) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const ProcInfo info = Info(std::stoi(name));
    if (info.state != 0 && pick(info)) ++count;
  }
  return count;
}

int OpenDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator{}));
}

// Lets the event loop run until done() holds or patience runs out.
bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class RunCommandTest : public ::testing::Test {
 protected:
  RunCommandTest() {
    state.iLogLevel = LogLevel::Debug;
    state.sDaemonName = "My Daemon";
  }

  ObservationPoint Point(const std::string& command, std::int32_t wait = 0,
                         bool terminate = false) const {
    ObservationPoint point;
    point.Directory = "/watch/top/";
    point.Name = "Inbox";
    point.Command = command;
    point.Wait = wait;
    point.Terminate = terminate;
    return point;
  }

  // The start of a Command that writes its remaining arguments to dumpFile.
  std::string Dump() const { return Quoted(CORVANE_ARGV_DUMP) + " " + Quoted(dumpFile) + " "; }

  Words Dumped() const {
    Words words;
    const std::string content = test::ReadFile(dumpFile);
    for (std::size_t start = 0, end; (end = content.find('\0', start)) != std::string::npos;
         start = end + 1) {
      words.push_back(content.substr(start, end - start));
    }
    return words;
  }

  // The view's lines without their time stamp: "   Debug ] Executing ...".
  Words Lines() const {
    Words lines;
    for (const std::string& text : view.Texts()) lines.push_back(text.substr(20));
    return lines;
  }

  // The pid shown by the "Executing" message.
  int ShownPid() const {
    std::smatch match;
    const std::string first = view.Texts().at(0);
    if (!std::regex_search(first, match, std::regex(R"(\(PID: (\d+)\)$)"))) return 0;
    return std::stoi(match[1]);
  }

  // Ends a command a test left running and lets the reaper collect it.
  void KillAndCollect(int pid) {
    ::kill(-pid, SIGKILL);
    EXPECT_TRUE(PumpUntil([&] { return reaper.Count() == 0; }));
  }

  test::TempDir dir;
  std::string dumpFile = dir.File("argv");
  DaemonState state;
  Language language;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  SystemClock clock;
  Log log{state, language, view, desktop, clock};
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
};

TEST_F(RunCommandTest, EachPlaceholderBecomesItsValue) {
  ObservationPoint point = Point(
      Dump() + "%File% %FileName% %Dir% %PointName% %DaemonName% %file% x%File%x '%FileName%'");
  runner.RunCommand("/watch/top/sub/", "f.txt", point);

  EXPECT_EQ(Dumped(), (Words{"/watch/top/sub/f.txt", "f.txt", "/watch/top/", "Inbox", "My Daemon",
                             "%file%", "x/watch/top/sub/f.txtx", "f.txt"}));
  ASSERT_EQ(Lines().size(), 1u);
  const std::string shown = Quoted(CORVANE_ARGV_DUMP) + " " + Quoted(dumpFile) +
                            " /watch/top/sub/f.txt f.txt /watch/top/ Inbox My Daemon %file% "
                            "x/watch/top/sub/f.txtx 'f.txt'";
  EXPECT_EQ(Lines()[0],
            "   Debug ] Executing '" + shown + "' (PID: " + std::to_string(ShownPid()) + ")");
  EXPECT_GT(ShownPid(), 1);
  EXPECT_EQ(point.lExecuted, 1);
  EXPECT_EQ(point.lFailed, 0);
}

TEST_F(RunCommandTest, EveryFileNameArrivesAsOneArgumentByteForByte) {
  const Words names = {"with blank", " two  blanks ", "quote\"d",     "it's",   "$(touch pwned)",
                       "`id`",       "a;b",           "a|b",          "*",      "line\nbreak",
                       "-rf",        "\xff\xfe\x80",  "%Dir%x%File%", "back\\", "tab\there"};
  for (const std::string& name : names) {
    ObservationPoint point =
        Point(Dump() + "%FileName% \"%FileName%\" '[%FileName%]' %File% --%Dir%");
    std::filesystem::remove(dumpFile);
    runner.RunCommand("/in/", name, point);
    EXPECT_EQ(Dumped(), (Words{name, name, "[" + name + "]", "/in/" + name, "--/watch/top/"}))
        << name;
  }
}

TEST_F(RunCommandTest, WithoutWaitTheCommandRunsOnAndIsLeftToTheReaper) {
  ObservationPoint point = Point("sleep 300", -1);
  runner.RunCommand("/in/", "f", point);

  EXPECT_EQ(Lines().size(), 1u);  // no word about its end
  const int pid = ShownPid();
  EXPECT_TRUE(IsRunning(pid));
  EXPECT_EQ(reaper.Count(), 1u);
  EXPECT_EQ(point.lExecuted, 1);
  KillAndCollect(pid);
  EXPECT_EQ(Info(pid).state, 0) << "collected, no zombie";
}

TEST_F(RunCommandTest, WaitZeroWaitsSilentlyWhileTheEventLoopTurns) {
  // The command ends only once a timer of the daemon's event loop has fired.
  const std::string go = dir.File("go");
  const std::string result = dir.File("result");
  ObservationPoint point = Point(
      "sh -c 'i=0; while [ ! -e \"$1\" ] && [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done; "
      "[ -e \"$1\" ] && echo go > \"$2\"' sh " +
          Quoted(go) + " " + Quoted(result),
      0);
  QTimer::singleShot(100, [&] { dir.Write("go", "x"); });
  runner.RunCommand("/in/", "f", point);

  EXPECT_EQ(test::ReadFile(result), "go\n");
  EXPECT_EQ(Lines().size(), 1u);
  EXPECT_EQ(reaper.Count(), 0u);
  EXPECT_EQ(Info(ShownPid()).state, 0);
  EXPECT_EQ(point.lExecuted, 1);
}

TEST_F(RunCommandTest, CommandEndingWithinTheLimitIsReported) {
  ObservationPoint point = Point("true", 60000, true);
  runner.RunCommand("/in/", "f", point);

  const std::string pid = std::to_string(ShownPid());
  EXPECT_EQ(Lines(),
            (Words{Lines().at(0), "   Debug ] Process with PID: " + pid + " ended in time."}));
  EXPECT_EQ(reaper.Count(), 0u);
}

TEST_F(RunCommandTest, OutlastingCommandIsKilledWithEverythingItStarted) {
  // The shell ignores SIGTERM and leaves a grandchild running in the background.
  const std::string pidFile = dir.File("grandchild");
  ObservationPoint point =
      Point("sh -c 'trap \"\" TERM; sleep 300 & echo $! > \"$1\"; sleep 300' sh " + Quoted(pidFile),
            2000, true);
  QElapsedTimer elapsed;
  elapsed.start();
  runner.RunCommand("/in/", "f", point);
  EXPECT_GE(elapsed.elapsed(), 2000);

  const int pid = ShownPid();
  const std::string shown = std::to_string(pid);
  EXPECT_EQ(Lines(),
            (Words{Lines().at(0),
                   " Warning ] Process with PID: " + shown + " did not complete after 2000 ms.",
                   " Warning ] Process with PID: " + shown + " was terminated after 2000 ms."}));
  const int grandchild = std::atoi(test::ReadFile(pidFile).c_str());
  ASSERT_GT(grandchild, 1) << "the shell had not started its background child";
  EXPECT_TRUE(PumpUntil([&] {
    return reaper.Count() == 0 && !IsRunning(grandchild) &&
           CountProcesses([&](const ProcInfo& p) { return p.pgrp == pid && p.state != 'Z'; }) == 0;
  }));
  EXPECT_EQ(point.lExecuted, 1);
}

TEST_F(RunCommandTest, OutlastingCommandWithoutTerminateIsLeftRunning) {
  ObservationPoint point = Point("sleep 300", 300, false);
  runner.RunCommand("/in/", "f", point);

  const int pid = ShownPid();
  const std::string shown = std::to_string(pid);
  EXPECT_EQ(Lines(),
            (Words{Lines().at(0),
                   " Warning ] Process with PID: " + shown + " did not complete after 300 ms.",
                   "   Error ] Process with PID: " + shown + " could not be terminated."}));
  EXPECT_TRUE(IsRunning(pid));
  EXPECT_EQ(reaper.Count(), 1u);
  KillAndCollect(pid);
}

TEST_F(RunCommandTest, CommandsThatCannotStartAreCountedAndRunNothing) {
  const std::string plainFile = dir.Write("plain", "#!/bin/sh\ntouch \"$0.ran\"\n");
  ::chmod(plainFile.c_str(), 0644);
  const Words commands = {"corvane-no-such-program %FileName%",
                          "/no/such/dir/prog",
                          Quoted(dir.path()),
                          Quoted(plainFile),
                          Dump() + "\"open quote %FileName%",
                          Dump() + "'open quote",
                          "",
                          "   "};
  for (const std::string& command : commands) {
    view.Clear();
    ObservationPoint point = Point(command, 0);
    runner.RunCommand("/in/", "f", point);
    EXPECT_EQ(Lines(),
              Words{"   Error ] Could not execute '" +
                    FillPlaceholders(command, {"/in/f", "f", "/watch/top/", "Inbox", "My Daemon"}) +
                    "'!"})
        << command;
    EXPECT_EQ(point.lFailed, 1) << command;
    EXPECT_EQ(point.lExecuted, 0) << command;
  }
  EXPECT_FALSE(std::filesystem::exists(dumpFile));
  EXPECT_FALSE(std::filesystem::exists(plainFile + ".ran"));
  EXPECT_EQ(reaper.Count(), 0u);
}

TEST_F(RunCommandTest, ThousandCommandsNotWaitedForLeaveNoZombieAndNoDescriptor) {
  const int descriptors = OpenDescriptors();
  ObservationPoint point = Point("/bin/true", -1);
  for (int i = 0; i < 1000; ++i) runner.RunCommand("/in/", "f", point);

  EXPECT_EQ(point.lExecuted, 1000);
  EXPECT_EQ(point.lFailed, 0);
  EXPECT_TRUE(PumpUntil([&] { return reaper.Count() == 0; }));
  const int self = ::getpid();
  EXPECT_EQ(CountProcesses([&](const ProcInfo& p) { return p.ppid == self && p.state == 'Z'; }), 0);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(RunCommandTest, ReaperNeverCollectsChildrenItWasNotGiven) {
  pid_t other = 0;
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>("exit 7"),
                  nullptr};
  ASSERT_EQ(::posix_spawn(&other, "/bin/sh", nullptr, nullptr, argv, environ), 0);
  ASSERT_TRUE(PumpUntil([&] { return Info(other).state == 'Z'; }));

  ObservationPoint point = Point("/bin/true", -1);
  for (int i = 0; i < 100; ++i) runner.RunCommand("/in/", "f", point);
  EXPECT_TRUE(PumpUntil([&] { return reaper.Count() == 0; }));

  int status = 0;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(Process, LimitedWaitKillAndClose) {
  ChildReaper reaper;
  ProcessRecord proc;
  ASSERT_TRUE(StartProcess({{"sleep", "300"}, "sleep 300"}, proc, 1));
  EXPECT_EQ(proc.sCommand, "sleep 300");

  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_FALSE(WaitForProcess(proc, 300));
  EXPECT_GE(elapsed.elapsed(), 300);
  EXPECT_FALSE(proc.bEnded);

  EXPECT_TRUE(KillProcess(proc));
  EXPECT_TRUE(WaitForProcess(proc, 0));
  EXPECT_TRUE(proc.bEnded);
  EXPECT_FALSE(KillProcess(proc)) << "a collected pid may name another process by now";

  CloseProcess(proc, reaper);
  EXPECT_EQ(reaper.Count(), 0u);
  EXPECT_EQ(proc.pid, 0);
  EXPECT_EQ(proc.watchFd, -1);
}

TEST(ShowMode, WindowHintsInAnyCaseElseHidden) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"min", 6}, {"Max", 3}, {"NONE", 0}, {"Normal", 1}, {"maxi", 0}, {"", 0}, {" min", 0}};
  for (const auto& [window, mode] : cases) EXPECT_EQ(ShowModeFor(window), mode) << window;
}

}  // namespace
}  // namespace corvane
