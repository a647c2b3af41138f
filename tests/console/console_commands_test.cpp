#include "console/console_commands.h"

#include <QRegularExpression>
#include <QTimer>
#include <fstream>

#include "console_fixture.h"

namespace corvane::test {
namespace {

using Lines = std::vector<std::string>;

class ConsoleCommandsTest : public ConsoleTest {};

TEST_F(ConsoleCommandsTest, PauseAndGoSwitchTheTimerAndTheCaptionInAnyLetterCase) {
  daemon.state.sDaemonName = "Inbox";
  for (const char* word : {"pause", "PAUSE", "Halt"}) {
    control.running = true;
    EXPECT_EQ(Run(word),
              (Lines{"> " + std::string(word) + ":", Info("Pausing on user request...")}));
    EXPECT_FALSE(control.running);
    EXPECT_EQ(control.captions.back(), "Inbox (stopped)");
  }
  for (const char* word : {"go", "GO", "continue"}) {
    control.running = false;
    EXPECT_EQ(Run(word),
              (Lines{"> " + std::string(word) + ":", Info("Continuing on user request...")}));
    EXPECT_TRUE(control.running);
    EXPECT_EQ(control.captions.back(), "Inbox (running)");
  }
  // The message comes all the same when the state does not change.
  EXPECT_EQ(Run("go"), (Lines{"> go:", Info("Continuing on user request...")}));
}

TEST_F(ConsoleCommandsTest, ExitWritesItsMessageThenStops) {
  for (const char* word : {"end", "EXIT", "quit"}) {
    const int before = control.quits;
    EXPECT_EQ(Run(word),
              (Lines{"> " + std::string(word) + ":", Info("Exiting on user request...")}));
    EXPECT_EQ(control.quits, before + 1);
  }
}

TEST_F(ConsoleCommandsTest, ClearTakesTheEchoWithIt) {
  view.AddItem("earlier", false);
  commands.ProcessCommand("cls");
  EXPECT_TRUE(view.items.empty());
  view.AddItem("earlier", false);
  commands.ProcessCommand("Clear");
  EXPECT_TRUE(view.items.empty());
}

TEST_F(ConsoleCommandsTest, AnythingElseIsNotUnderstoodQuotingTheWholeLine) {
  const std::string binary("\x01\xfe\x00zz", 5);
  const std::string huge(1 << 20, 'x');
  const std::vector<std::pair<std::string, Lines>> cases = {
      {"frobnicate now", {"> frobnicate:", NotUnderstood("frobnicate now")}},
      {" pause", {">  pause:", NotUnderstood(" pause")}},
      {"   ", {">  :", NotUnderstood("   ")}},
      {"\"pause", {"> pause:", Info("Pausing on user request...")}},
      {"\"run x", {"> run x:", NotUnderstood("\"run x")}},
      {binary, {"> " + binary + ":", NotUnderstood(binary)}},
      {huge, {"> " + huge + ":", NotUnderstood(huge)}},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(Run(line), expected) << line.substr(0, 40);
  }
  // The answer is raw: it never reaches the log file.
  daemon.state.sLogFile = dir.File("log.txt");
  Run("nonsense");
  EXPECT_EQ(ReadFile(daemon.state.sLogFile), "");
}

TEST_F(ConsoleCommandsTest, RunChecksEveryPointNowWhateverItsInterval) {
  Load(ObservationFile("points.xml", "Files",
                       {"<Command>true</Command>", "<Command>false</Command>"}));
  daemon.state.iLogLevel = LogLevel::Debug;
  daemon.state.Points[0].lTicks = 7;
  const std::string in = dir.File("in") + "/";
  const Lines lines = Run("run");
  EXPECT_EQ(lines, (Lines{"> run:", Info("Searching for files on user request..."),
                          Stamped("   Debug", in + "*.*: no new files found in " + in + "."),
                          Stamped("   Debug", in + "*.*: no new files found in " + in + ".")}));
  EXPECT_EQ(daemon.state.Points[0].lTicks, 0);
}

TEST_F(ConsoleCommandsTest, RunWhileACheckIsUnderWayDoesNothing) {
  Load(ObservationFile("points.xml", "Files", {"<Command>true</Command>"}));
  daemon.state.bCheckRunning = true;
  daemon.state.Points[0].lTicks = 7;
  EXPECT_EQ(Run("run"), Lines{"> run:"});
  EXPECT_EQ(daemon.state.Points[0].lTicks, 7);
}

TEST_F(ConsoleCommandsTest, HelpStatAndCfgWriteTheirReports) {
  EXPECT_EQ(Run("?"), (Lines{"> ?:", "Help not avaliable! (Check the language file!)"}));
  EXPECT_EQ(Run("H"), (Lines{"> H:", "Help not avaliable! (Check the language file!)"}));
  EXPECT_EQ(Run("help me"), (Lines{"> help:", "Help not avaliable! (Check the language file!)"}));
  EXPECT_EQ(Run("cfg"),
            (Lines{"> cfg:", "Configuration not avaliable! (Check the language file!)"}));
  EXPECT_EQ(Run("stat"),
            (Lines{"> stat:", "Statistics are not avaliable! (Check the language file!)"}));
}

TEST_F(ConsoleCommandsTest, VerShowsTheVersionAndTheBuildStamp) {
  const Lines lines = Run("VER");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "> VER:");
  EXPECT_EQ(lines[1], "Corvane 1.0.2");
  const QRegularExpression build("^Build: \\d{4}-\\d\\d-\\d\\d - \\d\\d:\\d\\d:\\d\\d$");
  EXPECT_TRUE(build.match(QString::fromStdString(lines[2])).hasMatch()) << lines[2];
}

TEST_F(ConsoleCommandsTest, ChkUpdateAsksVerboselyWhenACheckIsBuiltIn) {
  EXPECT_EQ(Run("chk_update"), Lines{"> chk_update:"});
  std::vector<bool> asked;
  commands.context().checkForUpdate = [&](bool verbose) { asked.push_back(verbose); };
  Run("CHK_UPDATE");
  EXPECT_EQ(asked, std::vector<bool>{true});
}

TEST_F(ConsoleCommandsTest, AFailureInsideACommandIsNotUnderstoodAndKeepsWhatRan) {
  commands.context().checkForUpdate = [](bool) { throw std::runtime_error("no network"); };
  EXPECT_EQ(Run("chk_update now"), (Lines{"> chk_update:", NotUnderstood("chk_update now")}));

  commands.context().translateTrayMenu = [] { throw std::runtime_error("no tray"); };
  const std::string file = dir.Write("other.lng", "40=Anders: %1 %2\n");
  EXPECT_EQ(Run("set languagefile " + file),
            (Lines{"> set:", NotUnderstood("set languagefile " + file)}));
  EXPECT_EQ(daemon.state.sLanguageFile, file);  // done before the failure
}

TEST_F(ConsoleCommandsTest, ReloadReadsTheFileAgainAndRefreshesTheCaption) {
  const std::string xml = ObservationFile("points.xml", "Before", {"<Command>true</Command>"});
  Load(xml);
  ObservationFile("points.xml", "After", {"<Command>true</Command>", "<Command>true</Command>"});
  const Lines lines = Run("reload");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], Info("Reloading '" + xml + "' on user request..."));
  EXPECT_EQ(lines.back(), Info("Loaded " + xml + ",  2 observation points added."));
  EXPECT_EQ(daemon.state.Points.size(), 2u);
  EXPECT_EQ(control.captions.back(), "After (running)");
}

// A command waited for by a check lets the event loop run; commands that
// arrive then must not pull the point table from under the walk.
TEST_F(ConsoleCommandsTest, CommandsDuringACheckRunLaterOrNotAtAll) {
  const std::string flag = dir.File("flag");
  const std::string xml =
      ObservationFile("points.xml", "Before",
                      {"<Command Wait=\"0\">sh -c 'until [ -e \"$0\" ]; do sleep 0.01; done' " +
                       flag + "</Command>"});
  Load(xml);
  std::ofstream(dir.File("in/a.txt")) << "x";
  ObservationFile("points.xml", "After", {"<Command>true</Command>", "<Command>true</Command>"});

  Lines during;
  std::size_t pointsDuring = 0;
  QTimer::singleShot(0, [&] {
    during = Run("run");
    const Lines reload = Run("reload");
    during.insert(during.end(), reload.begin(), reload.end());
    pointsDuring = daemon.state.Points.size();
    std::ofstream(flag) << "";
  });
  daemon.cycle.fCheckPoints(true);

  EXPECT_EQ(during,
            (Lines{"> run:", "> reload:", Info("Reloading '" + xml + "' on user request...")}));
  EXPECT_EQ(pointsDuring, 1u);
  EXPECT_EQ(daemon.state.Points.size(), 2u);  // reloaded once the walk was over
  EXPECT_EQ(control.captions.back(), "After (running)");
}

}  // namespace
}  // namespace corvane::test
