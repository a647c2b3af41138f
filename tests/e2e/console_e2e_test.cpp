// Drives the real corvane in console mode: commands on stdin, answers on
// stdout.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <filesystem>

#include "support/temp_dir.h"

namespace {

using Lines = std::vector<std::string>;

class ConsoleE2eTest : public ::testing::Test {
 protected:
  ConsoleE2eTest() {
    std::filesystem::create_directories(dir.File("config"));
    std::filesystem::create_directories(dir.File("in"));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.File("config")));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.path()));
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
  }

  std::string ObservationFile(const std::string& file, const std::string& name) {
    return dir.Write(file, "<Corvane><Name>" + name + "</Name><Observation><Point><Directory>" +
                               dir.File("in") +
                               "</Directory><Intervall>3600</Intervall>"
                               "<Command Wait=\"0\">rm %File%</Command>"
                               "<Attributes Exclusive=\"0\"/></Point></Observation></Corvane>");
  }
  std::string SettingsFile() const { return dir.File("config/Talvex/Corvane.ini"); }

  void Start(QProcess& process, const std::string& xml, const QStringList& more = {}) {
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CORVANE_EXE),
                  QStringList{"/Console", "/XML", QString::fromStdString(xml)} + more);
    ASSERT_TRUE(process.waitForStarted(10000));
  }
  // Feeds the whole input at once and waits for the daemon to end.
  int Drive(const std::string& xml, const std::string& input) {
    QProcess process;
    Start(process, xml);
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    out = process.readAllStandardOutput().toStdString();
    err = process.readAllStandardError().toStdString();
    return process.exitCode();
  }
  // stdout as lines, "[date time     Tag ] " shortened to "Tag: ". Lines
  // are bytes: a command may hold any.
  Lines OutputLines() const {
    static const QRegularExpression stamp(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d *(\w+) \] $)");
    Lines lines;
    std::string::size_type start = 0;
    for (auto end = out.find('\n'); end != std::string::npos; end = out.find('\n', start)) {
      std::string line = out.substr(start, end - start);
      const auto close = line.find("] ");
      if (close != std::string::npos && close < 40) {
        const auto match = stamp.match(QString::fromStdString(line.substr(0, close + 2)));
        if (match.hasMatch())
          line = match.captured(1).toStdString() + ": " + line.substr(close + 2);
      }
      lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }
  // Each expected line appears, in this order, among the output lines.
  void ExpectInOrder(const Lines& expected) const {
    const Lines lines = OutputLines();
    auto at = lines.begin();
    for (const std::string& line : expected) {
      at = std::find(at, lines.end(), line);
      ASSERT_NE(at, lines.end()) << "missing or out of order: " << line.substr(0, 80);
      ++at;
    }
  }

  corvane::test::TempDir dir;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  std::string out;
  std::string err;
};

TEST_F(ConsoleE2eTest, CommandsOnStdinSteerTheDaemon) {
  const std::string xml = ObservationFile("points.xml", "Inbox");
  const std::string in = dir.File("in") + "/";
  dir.Write("in/a.txt", "x");
  const int code = Drive(xml,
                         "pause\ngo\nrun\nstat\ncfg\nset loglevel 0\n"
                         "set name \"Night Shift\"\nset\nreload\nver\nexit\nstat\n");
  EXPECT_EQ(code, 0) << err;
  EXPECT_EQ(err, "");
  ExpectInOrder({"Corvane v. 1.0.2 is starting...",
                 "Info: Loaded " + xml + ",  1 observation points added.",
                 "> pause:",
                 "Info: Pausing on user request...",
                 "> go:",
                 "Info: Continuing on user request...",
                 "> run:",
                 "Info: Searching for files on user request...",
                 "Info: " + in + "*.*: found 1 files in " + in + ".",
                 "> stat:",
                 "Statistics:",
                 "  Point 0: " + in + "*.*",
                 "    Command: rm %File%",
                 "    Interval: 3600 sec, next check in 3600 sec   Started: 1   Failed: 0",
                 "> cfg:",
                 "  Daemon name       : Inbox",
                 "> set:",
                 "Info: Changed 'loglevel' to '0'.",
                 "> set:",
                 "> set:",
                 "  Daemon name       : Night Shift",
                 "  Log level         : 0  (0 Debug, 1 Info, 2 Warning, 3 Error)",
                 "> reload:",
                 "Info: Reloading '" + xml + "' on user request...",
                 "Info: Loaded " + xml + ",  1 observation points added.",
                 "> ver:",
                 "Corvane 1.0.2",
                 "> exit:",
                 "Info: Exiting on user request..."});
  EXPECT_FALSE(std::filesystem::exists(dir.File("in/a.txt")));
  const QRegularExpression build(R"(\nBuild: \d{4}-\d\d-\d\d - \d\d:\d\d:\d\d\n)");
  EXPECT_TRUE(build.match(QString::fromStdString(out)).hasMatch());
  // Nothing runs after the stop has begun.
  EXPECT_TRUE(out.ends_with("Exiting on user request...\n")) << out.substr(out.size() - 200);
  // The changed log level was saved at the stop.
  EXPECT_NE(corvane::test::ReadFile(SettingsFile()).find("Log.Level=0"), std::string::npos);
}

TEST_F(ConsoleE2eTest, BadInputGetsItsAnswersAndNothingCrashes) {
  const std::string xml = ObservationFile("points.xml", "Inbox");
  const std::string held = ObservationFile("held.xml", "Held");
  QProcess other;
  Start(other, held, {"/pause"});
  // Started paused, it says so once its lock is taken.
  const QDeadlineTimer guard(30000);
  std::string seen;
  while (seen.find("Type 'go' to start it.") == std::string::npos && !guard.hasExpired()) {
    other.waitForReadyRead(1000);
    seen += other.readAllStandardOutput().toStdString();
  }
  ASSERT_NE(seen.find("Type 'go' to start it."), std::string::npos) << seen;

  const std::string huge(1 << 20, 'q');
  const std::string binary("\x01\xfe\xff\x7f", 4);
  const int code = Drive(xml, huge + "\n" + binary + "\n" +
                                  "set name \"unbalanced\n"
                                  "   \n"
                                  "set LogLevel 1\nset LOGFILE x\nset XmlFile x\nset Name x\n"
                                  "set LanguageFile x\n"
                                  "set loglevel 7\nset loglevel -1\nset loglevel 3.5\n"
                                  "set loglevel 40000\nset loglevel loud\nset loglevel 2.5\n"
                                  "set xmlfile " +
                                  dir.File("missing.xml") + "\n" +
                                  "set languagefile missing.lng\n"
                                  "set loglevel 1\n"
                                  "set xmlfile " +
                                  held + "\n" + "cfg\nexit\n");
  other.terminate();
  EXPECT_TRUE(other.waitForFinished(10000));
  EXPECT_EQ(code, 0) << err;
  ExpectInOrder({"> " + huge + ":",
                 "Command '" + huge + "' not understood!",
                 "> " + binary + ":",
                 "Command '" + binary + "' not understood!",
                 "> set:",
                 ">  :",
                 "Command '   ' not understood!",
                 "> set:",
                 "Unknown parameter: 'LogLevel'",
                 "> set:",
                 "Unknown parameter: 'LOGFILE'",
                 "> set:",
                 "Unknown parameter: 'XmlFile'",
                 "> set:",
                 "Unknown parameter: 'Name'",
                 "> set:",
                 "Unknown parameter: 'LanguageFile'",
                 "> set:",
                 "> set:",
                 "> set:",
                 "> set:",
                 "Command 'set loglevel 40000' not understood!",
                 "> set:",
                 "Command 'set loglevel loud' not understood!",
                 "> set:",
                 "> set:",
                 "> set:",
                 "> set:",
                 "Info: Changed 'loglevel' to '1'.",
                 "> set:",
                 "Info: Changed 'xmlfile' to '" + held + "'.",
                 "Info: Loaded " + held + ",  1 observation points added.",
                 "Error: Could not lock '" + held +
                     "'. The daemon was halted. (Maybe another daemon is running.)",
                 "> cfg:",
                 "  Daemon name       : Held",
                 "  Observation file  : " + held,
                 "  Log file          : "});
  // "set loglevel 2.5" hid Info lines until the level was 1 again, and
  // nothing about the missing files was shown at level 2.
  EXPECT_EQ(out.find("Language file not found"), std::string::npos);
  EXPECT_EQ(out.find("Changed 'loglevel' to '2'"), std::string::npos);
}

TEST_F(ConsoleE2eTest, TheEndOfInputLeavesTheDaemonRunning) {
  const std::string xml = ObservationFile("points.xml", "Inbox");
  QProcess process;
  Start(process, xml);
  process.write("ver\n");
  process.closeWriteChannel();
  const QDeadlineTimer guard(30000);
  std::string seen;
  while (seen.find("Build: ") == std::string::npos && !guard.hasExpired()) {
    process.waitForReadyRead(1000);
    seen += process.readAllStandardOutput().toStdString();
  }
  ASSERT_NE(seen.find("Build: "), std::string::npos) << seen;
  EXPECT_FALSE(process.waitForFinished(500));
  EXPECT_EQ(process.state(), QProcess::Running);
  process.terminate();  // the orderly stop of a system close
  ASSERT_TRUE(process.waitForFinished(10000));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(ConsoleE2eTest, AnUnreadableSettingStopsStartUpAndIsLeftAlone) {
  const std::string xml = ObservationFile("points.xml", "Inbox");
  std::filesystem::create_directories(dir.File("config/Talvex"));
  const std::string settings = "[General]\nLog.Level=loud\nApp.Language=german.lng\n";
  dir.Write("config/Talvex/Corvane.ini", settings);
  const int code = Drive(xml, "exit\n");
  EXPECT_NE(code, 0);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("'Log.Level'"), std::string::npos) << err;
  EXPECT_NE(err.find("'loud'"), std::string::npos) << err;
  EXPECT_NE(err.find(SettingsFile()), std::string::npos) << err;
  EXPECT_EQ(corvane::test::ReadFile(SettingsFile()), settings);

  // A file that cannot be parsed is as unusable, and as safe from being
  // written over.
  const std::string broken = "[General\nLog.Level=0\nWindow.X=1500\n";
  dir.Write("config/Talvex/Corvane.ini", broken);
  EXPECT_NE(Drive(xml, "exit\n"), 0);
  EXPECT_NE(err.find(SettingsFile() + " cannot be read"), std::string::npos) << err;
  EXPECT_EQ(corvane::test::ReadFile(SettingsFile()), broken);
}

}  // namespace
