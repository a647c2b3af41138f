#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QProcess>
#include <QThread>
#include <filesystem>

#include "core/instance_lock.h"
#include "core/settings.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

// Generous: the machine running the tests may be busy.
constexpr int kPatienceMs = 20000;

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// One corvane process. `input` is written to its stdin, which is then
// closed; without input (nullopt) stdin stays open for Type. A descriptor
// limit other than 0 is set in the child alone.
class CorvaneProcess {
 public:
  explicit CorvaneProcess(const std::vector<std::string>& args,
                          const std::optional<std::string>& input = "",
                          rlim_t descriptorLimit = 0) {
    QStringList list;
    for (const std::string& arg : args) list << QString::fromStdString(arg);
    process_.setChildProcessModifier([descriptorLimit] {
      const rlimit limit{descriptorLimit, descriptorLimit};
      if (descriptorLimit > 0) ::setrlimit(RLIMIT_NOFILE, &limit);
    });
    process_.start(QStringLiteral(CORVANE_EXE), list);
    if (!process_.waitForStarted(kPatienceMs)) ADD_FAILURE() << "corvane did not start";
    if (input) Type(*input), process_.closeWriteChannel();
  }
  ~CorvaneProcess() { process_.kill(), process_.waitForFinished(kPatienceMs); }

  void Type(const std::string& text) { process_.write(text.data(), qint64(text.size())); }
  const std::string& Out() { return out_ += process_.readAllStandardOutput().toStdString(); }
  const std::string& Err() { return err_ += process_.readAllStandardError().toStdString(); }
  pid_t Pid() const { return static_cast<pid_t>(process_.processId()); }
  // Never to pid 0: that would signal the whole process group.
  void Signal(int signalNumber) { Pid() > 0 && ::kill(Pid(), signalNumber); }
  // The exit code of an orderly end; -1 for a crash or no end in time.
  int Finished() {
    const bool ended = process_.waitForFinished(kPatienceMs);
    return ended && process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }

 private:
  QProcess process_;
  std::string out_, err_;
};

// Removes the file and writes a megabyte.
const std::string kRemoveAndFlood =
    "<Command Wait=\"0\">sh -c 'rm \"$0\"; yes flood | head -c 1000000' %File%</Command>" +
    std::string(kNotExclusive);

class DaemonE2eTest : public ::testing::Test {
 protected:
  DaemonE2eTest() { fs::create_directory(in), fs::create_directory(out); }
  // One point on in/ checked every `interval` seconds, running `command`
  // for every "*.txt".
  std::string ObservationFile(const std::string& command, int interval = 1) {
    const std::string drop = "<Name>drop</Name><FilePattern>*.txt</FilePattern>" + command;
    return dir.Write("points.xml", ObservationXml("e2e", {PointXml(in, interval, drop)}));
  }

  TempDir dir;
  const std::string in = dir.File("in"), out = dir.File("out");
};

// At every stage the daemon holds its lock: a second daemon for the file,
// however spelt, is refused, unless it is told /NIC. From every stage and
// every wait, a stop signal or "exit" ends the daemon with 0, saves the
// settings and frees its lock, and the log file's last line says why; a
// command still running is killed or left as its point says, and never
// reported as ended.
TEST_F(DaemonE2eTest, AStopFromEveryStageEndsInOrderAndTheLockHoldsUntilThen) {
  const std::string pids = dir.File("pids"), log = dir.File("log");
  dir.Write("in/a.txt", "a");
  LoggingCore core;
  // The Command's attributes, whether the start-up check runs, the signal
  // (0: "exit" typed while it runs) and the reason logged.
  const std::tuple<std::string, bool, int, std::string> cases[] = {
      {"", true, SIGTERM, "signal SIGTERM"},           // not waited for
      {" Wait=\"0\"", true, SIGINT, "signal SIGINT"},  // start-up check, no limit
      {" Wait=\"60000\" Terminate=\"1\"", true, SIGHUP, "signal SIGHUP"},
      {" Wait=\"0\" Terminate=\"1\"", true, 0, "command 'exit'"},
      {" Wait=\"0\" Terminate=\"1\"", false, SIGTERM, "signal SIGTERM"}};  // a tick's check
  for (const auto& [attributes, runNow, signalNumber, reason] : cases) {
    SCOPED_TRACE(attributes + " " + reason);
    for (const std::string& file : {pids, log, SettingsFile()}) fs::remove(file);
    const std::string xml = ObservationFile("<Command" + attributes + ">sh -c 'echo $$ >> " + pids +
                                            "; exec sleep 120'</Command>");
    std::vector<std::string> args{"/XML", xml, "/Log", log};
    if (runNow) args.push_back("/runnow");
    CorvaneProcess daemon(args, std::nullopt);
    ASSERT_TRUE(Eventually([&] { return !ReadFile(pids).empty(); }));
    const std::string sameFile = dir.File("./points.xml");
    CorvaneProcess refused({"/XML", sameFile}), along({"/XML", xml, "/NIC"}, "exit\n");
    EXPECT_EQ(std::tuple(refused.Finished(), along.Finished()), std::tuple(1, 0));
    const std::string running = "' seems already to be running.";
    EXPECT_NE(refused.Err().find("Corvane: The daemon for '" + sameFile + running), npos);
    EXPECT_NE(along.Out().find("Warning ] The daemon for '" + xml + running), npos);
    fs::remove(SettingsFile());  // the second daemon's
    signalNumber == 0 ? daemon.Type("exit\n") : daemon.Signal(signalNumber);
    EXPECT_EQ(daemon.Finished(), 0);
    // Unlocked, saved, never "ended in time".
    EXPECT_EQ(std::tuple(InstanceLock(core.log).RegisterInstance(xml), fs::exists(SettingsFile()),
                         daemon.Out().find("ended in time")),
              std::tuple(true, true, npos));
    EXPECT_TRUE(ReadFile(log).ends_with("Info ] e2e stopped: " + reason + ".\r\n"))
        << ReadFile(log);
    const pid_t command = std::stoi(ReadFile(pids));
    EXPECT_TRUE(attributes.find("Terminate") != npos
                    ? Eventually([&] { return ::kill(command, 0) != 0; })
                    : ::kill(command, SIGKILL) == 0);  // killed, or left running
  }
}

std::ptrdiff_t FileCount(const std::string& directory) {
  return std::distance(fs::directory_iterator(directory), fs::directory_iterator());
}

// A stop during a long walk starts no further command. A command not waited
// for costs no descriptor while it runs: hundreds run at once under a limit
// of 64, and none fails to start.
TEST_F(DaemonE2eTest, AStopDuringALongWalkStartsNoFurtherCommand) {
  constexpr int kFiles = 5000;
  for (int f = 0; f < kFiles; ++f) dir.Write("in/" + std::to_string(f) + ".txt", "x");
  const std::string command = "sh -c 'mv \"$0\" " + out + "/ && exec sleep 2' %File%";
  CorvaneProcess daemon({"/XML", ObservationFile("<Command>" + command + "</Command>"), "/runnow"},
                        "", 64);
  ASSERT_TRUE(Eventually([&] { return FileCount(out) > 200; }));
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Finished(), 0);
  QThread::msleep(500);  // for the last commands started to finish their move
  EXPECT_GT(FileCount(in), 0);
  EXPECT_EQ(FileCount(in) + FileCount(out), kFiles);
  EXPECT_EQ(daemon.Out().find("Could not execute"), npos) << daemon.Out();
}

// The commands come through a pipe; "exit" ends the daemon after the
// answers of every command before it, and nothing runs after it, and the
// settings are saved. What the started commands write goes to stderr whole,
// out of the log stream. A FIFO as log file hangs nothing, and nothing
// reaches the terminal or the log file raw.
TEST_F(DaemonE2eTest, ConsoleCommandsOnStdinSteerTheDaemon) {
  const std::string xml = ObservationFile(kRemoveAndFlood, 3600), log = dir.File("good.log");
  dir.Write("in/a.txt", "x");
  dir.Write("in/a\r\n[2026-01-01 00:00:00    Info ] \x1b[2J\a.txt", "x");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  CorvaneProcess daemon({"/Console", "/XML", xml, "/Log", dir.File("fifo")},
                        "set logfile " + log + "\nrun\nset loglevel 0\nexit\nstat\n");
  EXPECT_EQ(daemon.Finished(), 0);
  const std::string refused =
      "Cannot write the log file '" + dir.File("fifo") + "': not a regular file.";
  EXPECT_EQ(std::tuple(Occurrences(daemon.Err(), "flood\n"), Occurrences(daemon.Err(), refused),
                       daemon.Out().find("flood"), FileCount(in)),
            std::tuple(2 * (1000000 / 6), 1, npos, 0));
  EXPECT_TRUE(daemon.Out().ends_with("Info ] e2e stopped: command 'exit'.\n"));
  EXPECT_NE(ReadFile(SettingsFile()).find("Log.Level=0\n"), npos);
  // The new log file is in force before the message of its change.
  for (const std::string& text : {daemon.Out(), ReadFile(log)}) {
    EXPECT_NE(text.find("Changed 'logfile' to '" + log + "'."), npos) << text;
    EXPECT_EQ(text.find_first_of("\x1b\a"), npos) << text;
  }
  // The file has every level: the command line shows the name escaped.
  EXPECT_NE(ReadFile(log).find(in + "/a\\r\\n[2026-01-01 00:00:00    Info ] \\x1b[2J\\x07.txt"),
            npos);
}

}  // namespace
}  // namespace corvane::test
