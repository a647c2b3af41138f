#include "console/console_commands.h"

#include <QRegularExpression>
#include <QTimer>
#include <fstream>

#include "console_fixture.h"

namespace corvane::test {
namespace {

using ConsoleCommandsTest = ConsoleTest;

// The message comes also when the state does not change.
TEST_F(ConsoleCommandsTest, PauseGoAndExitInAnyLetterCase) {
  daemon.state.sDaemonName = "Inbox";
  const std::string pausing = "Pausing on user request...";
  const std::string going = "Continuing on user request...";
  const std::string exiting = "Exiting on user request...";
  for (const auto& [word, message, running] :
       std::vector<std::tuple<std::string, std::string, bool>>{{"PAUSE", pausing, false},
                                                               {"Halt", pausing, false},
                                                               {"GO", going, true},
                                                               {"continue", going, true},
                                                               {"End", exiting, true},
                                                               {"quit", exiting, true}}) {
    EXPECT_EQ(Run(word), (Strings{"> " + word + ":", Info(message)}));
    EXPECT_EQ(control.running, running) << word;
  }
  EXPECT_EQ(control.quits, 2);
  EXPECT_EQ(control.captions,
            (Strings{"Inbox (stopped)", "Inbox (stopped)", "Inbox (running)", "Inbox (running)"}));
}

TEST_F(ConsoleCommandsTest, ClearTakesTheEchoWithIt) {
  for (const char* word : {"cls", "Clear"}) EXPECT_EQ(Run(word), Strings{}) << word;
}

TEST_F(ConsoleCommandsTest, AnythingElseOrAFailureIsNotUnderstoodQuotingTheWholeLine) {
  const std::string binary("\x01\xfe\x00zz", 5);
  for (const auto& [line, expected] : std::vector<std::pair<std::string, Strings>>{
           {"frobnicate now", {"> frobnicate:", NotUnderstood("frobnicate now")}},
           {" pause", {">  pause:", NotUnderstood(" pause")}},
           {"   ", {">  :", NotUnderstood("   ")}},
           {"\"pause", {"> pause:", Info("Pausing on user request...")}},
           {binary, {"> " + binary + ":", NotUnderstood(binary)}}}) {
    EXPECT_EQ(Run(line), expected) << line;
  }
  // The answer is raw: it never reaches the log file.
  daemon.state.sLogFile = dir.File("log.txt");
  commands.context().checkForUpdate = [](bool) { throw std::runtime_error("no network"); };
  EXPECT_EQ(Run("chk_update now"), (Strings{"> chk_update:", NotUnderstood("chk_update now")}));
  EXPECT_EQ(ReadFile(daemon.state.sLogFile), "");
  // What ran before the failure stays done.
  commands.context().translateTrayMenu = [] { throw std::runtime_error("no tray"); };
  const std::string file = dir.Write("other.lng", "40=Anders: %1 %2\n");
  EXPECT_EQ(Run("set languagefile " + file),
            (Strings{"> set:", NotUnderstood("set languagefile " + file)}));
  EXPECT_EQ(daemon.state.sLanguageFile, file);
}

TEST_F(ConsoleCommandsTest, RunChecksEveryPointNow) {
  Load(ObservationFile("points.xml", "Files",
                       {"<Command>true</Command>", "<Command>false</Command>"}));
  daemon.state.iLogLevel = LogLevel::Debug;
  daemon.state.Points[0].lTicks = 7;
  const std::string none =
      "  Debug ] " + dir.File("in") + "/*.*: no new files found in " + dir.File("in") + "/.";
  EXPECT_EQ(Run("run"),
            (Strings{"> run:", Info("Searching for files on user request..."), none, none}));
  EXPECT_EQ(daemon.state.Points[0].lTicks, 0);
}

TEST_F(ConsoleCommandsTest, ReportsWithoutLanguageFileVersionAndUpdateCheck) {
  EXPECT_EQ(Run("help me"), (Strings{"> help:", "Help not avaliable! (Check the language file!)"}));
  EXPECT_EQ(Run("cfg"),
            (Strings{"> cfg:", "Configuration not avaliable! (Check the language file!)"}));
  const std::string noStat = "Statistics are not avaliable! (Check the language file!)";
  daemon.state.Points.resize(2);  // a line for the header and each point
  EXPECT_EQ(Run("stat"), (Strings{"> stat:", noStat, noStat, noStat}));
  const Strings ver = Run("VER");
  ASSERT_EQ(ver.size(), 3u);
  EXPECT_EQ(ver[1], "Corvane 1.0.2");
  EXPECT_TRUE(QRegularExpression("^Build: \\d{4}-\\d\\d-\\d\\d - \\d\\d:\\d\\d:\\d\\d$")
                  .match(QString::fromStdString(ver[2]))
                  .hasMatch())
      << ver[2];
  EXPECT_EQ(Run("chk_update"), Strings{"> chk_update:"});  // none built in
  std::vector<bool> asked;
  commands.context().checkForUpdate = [&](bool verbose) { asked.push_back(verbose); };
  Run("CHK_UPDATE");
  EXPECT_EQ(asked, std::vector<bool>{true});
}

// A command waited for by a check lets the event loop run; a "run" that
// arrives then does nothing, a reload waits for the end of the walk.
TEST_F(ConsoleCommandsTest, ReloadReadsTheFileAgainNowOrAfterTheRunningCheck) {
  const std::string flag = dir.File("flag");
  const std::string xml =
      ObservationFile("points.xml", "Before",
                      {"<Command Wait=\"0\">sh -c 'until [ -e \"$0\" ]; do sleep 0.01; done' " +
                       flag + "</Command>"});
  Load(xml);
  std::ofstream(dir.File("in/a.txt")) << "x";
  ObservationFile("points.xml", "After", {"<Command>true</Command>", "<Command>true</Command>"});
  Strings during;
  std::size_t pointsDuring = 0;
  QTimer::singleShot(0, [&] {
    during = Run("run");
    const Strings reload = Run("reload");
    during.insert(during.end(), reload.begin(), reload.end());
    pointsDuring = daemon.state.Points.size();
    std::ofstream(flag) << "";
  });
  daemon.cycle.fCheckPoints(true);
  EXPECT_EQ(during,
            (Strings{"> run:", "> reload:", Info("Reloading '" + xml + "' on user request...")}));
  EXPECT_EQ(pointsDuring, 1u);
  EXPECT_EQ(daemon.state.Points.size(), 2u);
  EXPECT_TRUE(Logged("Info ] Loaded " + xml + ",  2 observation points added."));
  EXPECT_EQ(control.captions.back(), "After (running)");

  ObservationFile("points.xml", "Third", {"<Command>true</Command>"});
  const Strings lines = Run("reload");
  EXPECT_EQ(lines.back(), Info("Loaded " + xml + ",  1 observation points added."));
  EXPECT_EQ(daemon.state.Points.size(), 1u);
  EXPECT_EQ(control.captions.back(), "Third (running)");
}

}  // namespace
}  // namespace corvane::test
