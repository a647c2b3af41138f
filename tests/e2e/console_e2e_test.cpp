// The real corvane in console mode: commands on stdin, answers on stdout.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "corvane_process.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

// Each part appears in `out` after the one before.
void ExpectInOrder(const std::string& out, const std::vector<std::string>& parts) {
  std::string::size_type at = 0;
  for (const std::string& part : parts) {
    at = out.find(part, at);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: " << part << "\n" << out;
    at += part.size();
  }
}

TEST(ConsoleE2eTest, CommandsOnStdinSteerTheDaemon) {
  TempDir dir;
  const std::string in = dir.File("in");
  std::filesystem::create_directory(in);
  dir.Write("in/a.txt", "x");
  const std::string xml = dir.Write(
      "points.xml", "<Corvane><Name>Inbox</Name><Observation><Point><Directory>" + in +
                        "</Directory><Intervall>3600</Intervall><Command Wait=\"0\">rm %File%"
                        "</Command><Attributes Exclusive=\"0\"/></Point></Observation></Corvane>");
  CorvaneProcess daemon({"/XML", xml},
                        "pause\ngo\nrun\nstat\ncfg\nset loglevel 0\nset name \"Night Shift\"\n"
                        "set\nreload\nexit\nstat\n");
  EXPECT_EQ(daemon.Finished(), 0) << daemon.Err();
  EXPECT_EQ(daemon.Err(), "");
  ExpectInOrder(daemon.Out(),
                {"Corvane v. 1.0.2 is starting...\n",
                 "Info ] Loaded " + xml + ",  1 observation points added.\n", "> pause:\n",
                 "Info ] Pausing on user request...\n", "Info ] Continuing on user request...\n",
                 "Info ] Searching for files on user request...\n",
                 "Info ] " + in + "/*.*: found 1 files in " + in + "/.\n", "> stat:\nStatistics:\n",
                 "    Interval: 3600 sec, next check in 3600 sec   Started: 1   Failed: 0\n",
                 "  Daemon name       : Inbox\n", "Info ] Changed 'loglevel' to '0'.\n",
                 "  Daemon name       : Night Shift\n",
                 "  Log level         : 0  (0 Debug, 1 Info, 2 Warning, 3 Error)\n",
                 "Info ] Reloading '" + xml + "' on user request...\n",
                 "Info ] Loaded " + xml + ",  1 observation points added.\n",
                 "Info ] Exiting on user request...\n"});
  EXPECT_FALSE(std::filesystem::exists(in + "/a.txt"));
  // Nothing runs after the stop has begun, which saved the changed level.
  EXPECT_TRUE(daemon.Out().ends_with("Exiting on user request...\n"));
  const std::string settings = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Talvex/Corvane.ini";
  EXPECT_NE(ReadFile(settings).find("Log.Level=0"), std::string::npos);
}

}  // namespace
}  // namespace corvane::test
