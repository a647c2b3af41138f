#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "core/instance_lock.h"
#include "corvane_process.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

const std::string kDropTxt = "<Name>drop</Name><FilePattern>*.txt</FilePattern>";

class DaemonE2eTest : public ::testing::Test {
 protected:
  DaemonE2eTest() { fs::create_directory(out); }
  // One point on in/ running `command` for every "*.txt".
  std::string ObservationFile(const std::string& command) {
    return dir.Write("points.xml", ObservationXml("e2e", {PointXml(in, 1, kDropTxt + command)}));
  }
  static bool Locked(const std::string& xml) {
    LoggingCore core;
    return !InstanceLock(core.log).RegisterInstance(xml);
  }

  TempDir dir;
  const std::string in = dir.File("in");
  const std::string out = dir.File("out");
};

// From every stage and every wait, a stop signal or "exit" ends the daemon
// with 0, saves the settings and frees its lock; a command still running is
// killed or left as its point says, and never reported as ended.
TEST_F(DaemonE2eTest, AStopFromEveryStageEndsInOrder) {
  struct Case {
    std::string attributes;  // of Command
    std::vector<std::string> switches;
    int signalNumber;  // 0: "exit" on stdin
    bool killed;
  };
  const std::string pids = dir.File("pids");
  fs::create_directory(in);
  dir.Write("in/a.txt", "a");
  for (const Case& c : std::vector<Case>{
           {"", {"/runnow"}, SIGTERM, false},            // not waited for
           {" Wait=\"0\"", {"/runnow"}, SIGINT, false},  // start-up check, no limit
           {" Wait=\"60000\" Terminate=\"1\"", {"/runnow"}, SIGHUP, true},
           {" Wait=\"0\" Terminate=\"1\"", {"/runnow"}, 0, true},  // "exit" typed while it runs
           {" Wait=\"0\" Terminate=\"1\"", {}, SIGTERM, true}}) {  // a tick's check
    fs::remove(pids);
    fs::remove(SettingsFile());
    const std::string xml = ObservationFile("<Command" + c.attributes + ">sh -c 'echo $$ >> " +
                                            pids + "; exec sleep 120'</Command>");
    std::vector<std::string> args{"/XML", xml};
    args.insert(args.end(), c.switches.begin(), c.switches.end());
    CorvaneProcess daemon(args, std::nullopt);
    const std::string what = c.attributes + " " + std::to_string(c.signalNumber);
    ASSERT_TRUE(Eventually([&] { return !ReadFile(pids).empty(); })) << what;
    c.signalNumber == 0 ? daemon.Type("exit\n") : daemon.Signal(c.signalNumber);
    EXPECT_EQ(daemon.Finished(), 0) << what;
    EXPECT_FALSE(Locked(xml)) << what;
    EXPECT_TRUE(fs::exists(SettingsFile())) << what;
    EXPECT_EQ(daemon.Out().find("ended in time"), std::string::npos) << what;
    const pid_t command = std::stoi(ReadFile(pids));
    if (c.killed) {
      EXPECT_TRUE(Eventually([&] { return ::kill(command, 0) != 0; })) << what;
    } else {
      EXPECT_EQ(::kill(command, SIGKILL), 0) << what << ": left running";
    }
  }
}

// The children of a process, zombies included.
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = ReadFile(entry.path().string() + "/stat");
    int ppid = 0;
    if (const auto close = stat.rfind(')'); close != std::string::npos) {
      std::sscanf(stat.c_str() + close + 1, " %*c %d", &ppid);
    }
    if (ppid == parent) children.push_back(std::atoi(entry.path().filename().c_str()));
  }
  return children;
}

std::size_t FileCount(const std::string& directory) {
  std::size_t count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    count += entry.is_regular_file();
  }
  return count;
}

// A command not waited for costs no descriptor while it runs.
TEST_F(DaemonE2eTest, ThousandsOfUnwaitedCommandsRunAndAreReapedUnderALowDescriptorLimit) {
  for (int f = 0; f < 2000; ++f) {
    const std::string sub = "in/d" + std::to_string(f / 100);
    fs::create_directories(dir.File(sub));
    dir.Write(sub + "/" + std::to_string(f) + ".txt", "x");
  }
  // Paused after the start-up check, so that each file is handed out once.
  CorvaneProcess daemon(
      {"/XML", ObservationFile("<Command>sleep 120</Command>"), "/runnow", "/pause"}, "", 64);
  const int patience = 10 * kPatienceMs;
  EXPECT_TRUE(Eventually(
      [&] { return Occurrences(daemon.Out(), "] drop: found 2000 files in " + in + "/.") == 1; },
      patience));
  EXPECT_EQ(daemon.Out().find("not granded"), std::string::npos);
  EXPECT_EQ(daemon.Out().find("Could not execute"), std::string::npos);
  const std::vector<pid_t> commands = ChildrenOf(daemon.Pid());
  EXPECT_EQ(commands.size(), 2000u) << "all running at once";
  for (const pid_t pid : commands) ::kill(pid, SIGKILL);
  EXPECT_TRUE(Eventually([&] { return ChildrenOf(daemon.Pid()).empty(); }, patience));
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Finished(), 0);
}

// The walk looks for a stop between entries.
TEST_F(DaemonE2eTest, AStopDuringALongWalkStartsNoFurtherCommand) {
  constexpr std::size_t kFiles = 5000;
  fs::create_directory(in);
  for (std::size_t f = 0; f < kFiles; ++f) dir.Write("in/" + std::to_string(f) + ".txt", "x");
  CorvaneProcess daemon(
      {"/XML", ObservationFile("<Command>mv %File% " + out + "/</Command>"), "/runnow"});
  ASSERT_TRUE(Eventually([&] { return FileCount(out) > 0; }));
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Finished(), 0);
  QThread::msleep(500);  // for the last commands started to finish their move
  EXPECT_GT(FileCount(in), 0u);
  EXPECT_EQ(FileCount(in) + FileCount(out), kFiles);
}

TEST_F(DaemonE2eTest, ACommandsOutputStaysOutOfTheLogStream) {
  fs::create_directory(in);
  dir.Write("in/a.txt", "a");
  CorvaneProcess daemon(
      {"/XML", ObservationFile("<Command Wait=\"0\">sh -c 'yes flood | head -c 1000000'</Command>"),
       "/runnow", "/pause"});
  EXPECT_TRUE(daemon.Says("] drop: found 1 files in " + in + "/."));
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Finished(), 0);
  EXPECT_EQ(daemon.Out().find("flood"), std::string::npos);
  EXPECT_EQ(Occurrences(daemon.Err(), "flood\n"), 1000000 / 6);
}

TEST_F(DaemonE2eTest, OneDaemonPerObservationFileUnlessNic) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  CorvaneProcess first({"/XML", xml, "/pause"});
  ASSERT_TRUE(first.Says("Type 'go' to start it."));

  CorvaneProcess refused({"/XML", xml});
  EXPECT_EQ(refused.Finished(), 1);
  EXPECT_NE(refused.Err().find("Corvane: The daemon for '" + xml +
                               "' seems already to be running.\n"
                               "Having multiple instances of one daemon is no good idea!\n"
                               "The daemon will quit now.\n"),
            std::string::npos);

  CorvaneProcess along({"/XML", xml, "/NIC"});
  EXPECT_TRUE(along.Says("Warning ] Having multiple instances of one daemon is no good idea!"));
  EXPECT_NE(along.Out().find("Warning ] The daemon for '" + xml + "' seems already to be running."),
            std::string::npos);
  EXPECT_TRUE(first.Running());
}

}  // namespace
}  // namespace corvane::test
