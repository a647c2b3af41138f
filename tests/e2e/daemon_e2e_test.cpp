// The real corvane on a temporary observation file, with real commands,
// real signals and a real second daemon.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <sstream>

#include "core/instance_lock.h"
#include "corvane_process.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

class DaemonE2eTest : public ::testing::Test {
 protected:
  DaemonE2eTest() { fs::create_directory(out); }
  // One point on in/ that runs `command` for every "*.txt"; by default it
  // waits for a move to out/.
  std::string ObservationFile(std::string command = "") {
    if (command.empty()) command = "<Command Wait=\"0\">mv %File% " + out + "/</Command>";
    return dir.Write("points.xml",
                     "<Corvane><Name>e2e</Name><Observation><Point><Name>drop</Name><Directory>" +
                         in +
                         "</Directory><FilePattern>*.txt</FilePattern><Intervall>1</Intervall>" +
                         command + "</Point></Observation></Corvane>");
  }
  // Whether another process holds the instance lock for `xml`.
  static bool Locked(const std::string& xml) {
    LoggingCore core;
    return !InstanceLock(core.log).RegisterInstance(xml);
  }

  TempDir dir;
  const std::string in = dir.File("in");
  const std::string out = dir.File("out");
};

TEST_F(DaemonE2eTest, StopSignalsTakeTheOrderlyStopAndFreeTheLock) {
  // A command left running must not keep the lock alive after the daemon.
  const std::string pids = dir.File("pids");
  const std::string xml =
      ObservationFile("<Command>sh -c 'echo $$ >> " + pids + "; exec sleep 120'</Command>");
  fs::create_directory(in);
  dir.Write("in/a.txt", "a");
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    fs::remove(pids);
    CorvaneProcess daemon({"/XML", xml, "/runnow"});
    ASSERT_TRUE(Eventually([&] { return !ReadFile(pids).empty(); })) << signalNumber;
    EXPECT_TRUE(Locked(xml));
    daemon.Signal(signalNumber);
    EXPECT_EQ(daemon.Finished(), 0) << signalNumber;
    EXPECT_FALSE(Locked(xml)) << signalNumber;
    std::istringstream started(ReadFile(pids));
    for (pid_t pid; started >> pid;) ::kill(pid, SIGKILL);
  }
}

TEST_F(DaemonE2eTest, OneDaemonPerObservationFileUnlessNic) {
  const std::string xml = ObservationFile();
  // Paused, it says so once it holds the lock.
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

// The end of the input leaves the daemon running: it goes on checking.
TEST_F(DaemonE2eTest, AMissingDirectoryIsReportedOnEveryTickUntilFilesArriveInIt) {
  const std::string log = dir.File("corvane.log");
  CorvaneProcess daemon({"/XML", ObservationFile(), "/Log", log}, "ver\n");
  EXPECT_TRUE(daemon.Says("> ver:\nCorvane 1.0.2\nBuild: "));
  EXPECT_TRUE(daemon.Says("  Error ] modMain::fCheckPoints: Directory not found: " + in + "/", 2));
  EXPECT_TRUE(daemon.Says("  Error ] Observation error! Please check the daemon settings.", 2));
  fs::create_directory(in);
  dir.Write("in/x.txt", "x");
  EXPECT_TRUE(daemon.Says("] drop: found 1 files in " + in + "/."));
  EXPECT_TRUE(fs::exists(out + "/x.txt"));
  EXPECT_NE(ReadFile(log).find("   Debug ] Executing 'mv " + in + "/x.txt " + out + "/' (PID: "),
            std::string::npos);
  EXPECT_TRUE(daemon.Running());
}

}  // namespace
}  // namespace corvane::test
