// The real corvane in console mode: commands on stdin, answers on stdout.

#include <gtest/gtest.h>
#include <sys/stat.h>

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

// What a hot folder and a console line can throw at the real daemon: a
// name with a line break and an escape sequence, a FIFO as log file, a
// device as language file. Nothing hangs, nothing reaches the terminal or
// the log file raw, and the command still gets the name byte for byte.
TEST(ConsoleE2eTest, HostileNamesAndSpecialFilesNeitherHangNorReachTheTerminalRaw) {
  TempDir dir;
  const std::string in = dir.File("in");
  std::filesystem::create_directory(in);
  const std::string name = "a\r\n[2026-01-01 00:00:00    Info ] \x1b[2J\a.txt";
  dir.Write("in/" + name, "x");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  const std::string log = dir.File("good.log");
  const std::string xml = dir.Write(
      "points.xml", "<Corvane><Observation><Point><Directory>" + in +
                        "</Directory><Intervall>3600</Intervall><Command Wait=\"0\">sh -c "
                        "'printf %s \"$1\" > \"$0\"' " +
                        dir.File("got") +
                        " %File%</Command>"
                        "<Attributes Exclusive=\"0\"/></Point></Observation></Corvane>");
  CorvaneProcess daemon({"/XML", xml, "/Log", dir.File("fifo")},
                        "set languagefile /dev/zero\nset logfile " + log + "\nrun\nexit\n");
  EXPECT_EQ(daemon.Finished(), 0) << daemon.Err();
  const std::string refused =
      "Cannot write the log file '" + dir.File("fifo") + "': not a regular file.";
  EXPECT_EQ(Occurrences(daemon.Err(), refused), 1) << daemon.Err();
  EXPECT_EQ(Occurrences(daemon.Out(), refused), 1);
  EXPECT_TRUE(daemon.Says("Error ] Cannot use '/dev/zero' as languagefile: not a regular file.\n"));
  const std::string shown = "a\\r\\n[2026-01-01 00:00:00    Info ] \\x1b[2J\\x07.txt";
  for (const std::string& text : {daemon.Out(), ReadFile(log)}) {
    EXPECT_NE(text.find("found 1 files"), std::string::npos) << text;
    EXPECT_EQ(text.find_first_of("\x1b\a"), std::string::npos) << text;
  }
  // The file has every level: the command line shows the name escaped.
  EXPECT_NE(ReadFile(log).find(in + "/" + shown), std::string::npos) << ReadFile(log);
  EXPECT_EQ(ReadFile(dir.File("got")), in + "/" + name);
}

}  // namespace
}  // namespace corvane::test
