#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "core/version.h"
#include "corvane_process.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

void ExpectInOrder(const std::string& out, const std::vector<std::string>& parts) {
  std::string::size_type at = 0;
  for (const std::string& part : parts) {
    at = out.find(part, at);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: " << part << "\n" << out;
    at += part.size();
  }
}

std::string RemovingPoint(const TempDir& dir, const std::string& in) {
  std::filesystem::create_directory(in);
  const std::string command = "<Command Wait=\"0\">rm %File%</Command>";
  return dir.Write("points.xml",
                   ObservationXml("Inbox", {PointXml(in, 3600, command + kNotExclusive)}));
}

// The commands come through a pipe; "exit" ends the daemon after the
// answers of every command before it, and nothing runs after it.
TEST(ConsoleE2eTest, CommandsOnStdinSteerTheDaemon) {
  TempDir dir;
  const std::string in = dir.File("in");
  const std::string xml = RemovingPoint(dir, in);
  dir.Write("in/a.txt", "x");
  CorvaneProcess daemon({"/Console", "/XML", xml},
                        "ver\npause\ngo\nrun\nstat\ncfg\nset loglevel 0\nset name \"Night Shift\"\n"
                        "set\nreload\nexit\nstat\n");
  EXPECT_EQ(daemon.Finished(), 0) << daemon.Err();
  EXPECT_EQ(daemon.Err(), "");
  ExpectInOrder(daemon.Out(),
                {std::string("Corvane v. ") + kVersionText + " is starting...\n",
                 "Info ] Loaded " + xml + ",  1 observation points added.\n",
                 "> ver:\nCorvane " + std::string(kVersionText) + "\nBuild: ", "> pause:\n",
                 "Info ] Pausing on user request...\n", "Info ] Continuing on user request...\n",
                 "Info ] Searching for files on user request...\n",
                 "Info ] " + in + "/*.*: found 1 files in " + in + "/.\n", "> stat:\nStatistics:\n",
                 "    Interval: 3600 sec, next check in 3600 sec   Started: 1   Failed: 0\n",
                 "Info ] Changed 'loglevel' to '0'.\n", "  Daemon name       : Night Shift\n",
                 "Info ] Reloading '" + xml + "' on user request...\n",
                 "Info ] Loaded " + xml + ",  1 observation points added.\n",
                 "Info ] Exiting on user request...\n"});
  EXPECT_FALSE(std::filesystem::exists(in + "/a.txt"));
  EXPECT_TRUE(daemon.Out().ends_with("Exiting on user request...\n"));
  EXPECT_NE(ReadFile(SettingsFile()).find("Log.Level=0"), std::string::npos);
}

// Without a window there is no place to save: the window's keys stay as
// the last windowed run left them, while the daemon's own are saved.
TEST(ConsoleE2eTest, ConsoleModeLeavesTheWindowKeysAsTheyWere) {
  const std::string windowKeys =
      "Window.Height=4800\nWindow.Hidden=True\nWindow.State=0\nWindow.Width=9000\n"
      "Window.X=-120000\nWindow.Y=15\n";
  std::filesystem::create_directories(std::filesystem::path(SettingsFile()).parent_path());
  std::ofstream(SettingsFile()) << "[General]\nLog.Level=2\n" << windowKeys;
  TempDir dir;
  CorvaneProcess daemon({"/Console", "/XML", RemovingPoint(dir, dir.File("in"))},
                        "set loglevel 1\nexit\n");
  EXPECT_EQ(daemon.Finished(), 0) << daemon.Err();
  const std::string saved = ReadFile(SettingsFile());
  EXPECT_NE(saved.find("Log.Level=1\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find(windowKeys), std::string::npos) << saved;
}

// Nothing hangs, nothing reaches the terminal or the log file raw, and the
// command still gets the name byte for byte.
TEST(ConsoleE2eTest, HostileNamesAndSpecialFilesNeitherHangNorReachTheTerminalRaw) {
  TempDir dir;
  const std::string in = dir.File("in");
  std::filesystem::create_directory(in);
  const std::string name = "a\r\n[2026-01-01 00:00:00    Info ] \x1b[2J\a.txt";
  dir.Write("in/" + name, "x");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  const std::string log = dir.File("good.log");
  const std::string command = "<Command Wait=\"0\">sh -c 'printf %s \"$1\" > \"$0\"' " +
                              dir.File("got") + " %File%</Command>";
  const std::string xml =
      dir.Write("points.xml", ObservationXml("", {PointXml(in, 3600, command + kNotExclusive)}));
  CorvaneProcess daemon({"/XML", xml, "/Log", dir.File("fifo")},
                        "set languagefile /dev/zero\nset logfile " + log + "\nrun\nexit\n");
  EXPECT_EQ(daemon.Finished(), 0) << daemon.Err();
  const std::string refused =
      "Cannot write the log file '" + dir.File("fifo") + "': not a regular file.";
  EXPECT_EQ(Occurrences(daemon.Err(), refused), 1) << daemon.Err();
  EXPECT_EQ(Occurrences(daemon.Out(), refused), 1);
  EXPECT_TRUE(daemon.Says("Error ] Cannot use '/dev/zero' as languagefile: not a regular file.\n"));
  const std::string shown = "a\\r\\n[2026-01-01 00:00:00    Info ] \\x1b[2J\\x07.txt";
  // The new log file is in force before the message of its change.
  for (const std::string& text : {daemon.Out(), ReadFile(log)}) {
    EXPECT_NE(text.find("Changed 'logfile' to '" + log + "'."), std::string::npos) << text;
    EXPECT_EQ(text.find_first_of("\x1b\a"), std::string::npos) << text;
  }
  // The file has every level: the command line shows the name escaped.
  EXPECT_NE(ReadFile(log).find(in + "/" + shown), std::string::npos) << ReadFile(log);
  EXPECT_EQ(ReadFile(dir.File("got")), in + "/" + name);
}

}  // namespace
}  // namespace corvane::test
