#include "console/reports.h"

#include "console_fixture.h"

namespace corvane::test {
namespace {

using Lines = std::vector<std::string>;

class ReportsTest : public ConsoleTest {
 protected:
  Lines Report(const std::function<void()>& write) {
    view.items.clear();
    write();
    return view.Texts();
  }
  Lines Statistics(bool running = true) {
    return Report([&] { ShowStatistics(daemon.log, daemon.state, running); });
  }
  // One value per line, so that every placeholder can be checked.
  void LoadValueLayouts() {
    daemon.language.LoadLanguageFile(
        dir.Write("values.lng",
                  "33=on\n34=off\n0=Y\n1=N\n53=A\n54=R\n55=C\n56=H\n57=S\n"
                  "44=%1|%2|%3|%4|%5\n"
                  "46=%1|%2|%3\n"
                  "47=%1|%2|%3|%4|%5|%6|%7|%8|[%9]|%10|%11|%12|%13|%14|%15|%16|%17\n"));
  }
  static ObservationPoint Point() {
    ObservationPoint point;
    point.Name = "Scans";
    point.Directory = "/srv/in/";
    point.FilePattern = "*.pdf|*.tif";
    point.Command = "mv %File% /srv/done";
    point.Wait = 5000;
    point.Terminate = true;
    point.Window = "min";
    point.Exclusive = false;
    point.LastChange = 3;
    point.Period = "min";
    point.Intervall = 60;
    point.lTicks = 15;
    point.lExecuted = 12;
    point.lFailed = 2;
    point.NoSubdirs = true;
    return point;
  }
};

TEST_F(ReportsTest, WithoutLanguageTextsEachReportSaysItIsNotAvailable) {
  daemon.state.Points = {Point(), Point()};
  const std::string missing = "Statistics are not avaliable! (Check the language file!)";
  EXPECT_EQ(Statistics(), (Lines{missing, missing, missing}));  // header and one per point
  EXPECT_EQ(Report([&] { ShowHelp(daemon.log); }),
            Lines{"Help not avaliable! (Check the language file!)"});
  EXPECT_EQ(Report([&] { ShowConfiguration(daemon.log, daemon.state); }),
            Lines{"Configuration not avaliable! (Check the language file!)"});
  // A language file that lacks the layouts gives the same defaults.
  daemon.language.LoadLanguageFile(dir.Write("bare.lng", "0=ja\n"));
  EXPECT_EQ(Statistics(), (Lines{missing, missing, missing}));
}

TEST_F(ReportsTest, StatisticsShowEveryValueOfAPoint) {
  LoadValueLayouts();
  ObservationPoint bare = Point();
  bare.Archive = bare.Readonly = bare.Compressed = bare.Hidden = bare.System = false;
  bare.Exclusive = true;
  bare.Terminate = false;
  bare.NoSubdirs = false;
  ObservationPoint all = Point();
  all.Archive = all.Readonly = all.Compressed = all.Hidden = all.System = true;
  daemon.state.Points = {bare, all};

  const Lines lines = Statistics(false);
  const Lines expected = {"2024-05-06 07:08:09", "2", "off",
                          // point 0
                          "0", "Scans", "/srv/in/", "*.pdf|*.tif", "mv %File% /srv/done", "5000",
                          "N", "min", "[]", "Y", "3", "min", "60", "45", "12", "2", "Y",
                          // point 1
                          "1", "Scans", "/srv/in/", "*.pdf|*.tif", "mv %File% /srv/done", "5000",
                          "Y", "min", "[A R C H S ]", "N", "3", "min", "60", "45", "12", "2", "N"};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(Statistics(true)[2], "on");
}

TEST_F(ReportsTest, AttributeWordsFollowTheirFixedOrder) {
  daemon.language.LoadLanguageFile(dir.Write("attr.lng", "46=\n47=[%9]\n"));
  ObservationPoint point = Point();
  point.Archive = point.Compressed = point.Readonly = point.System = false;
  point.Hidden = true;
  daemon.state.Points = {point};
  EXPECT_EQ(Statistics(), Lines{"[hidden ]"});
  daemon.state.Points[0].Archive = true;
  daemon.state.Points[0].System = true;
  EXPECT_EQ(Statistics(), Lines{"[archive hidden system ]"});
}

TEST_F(ReportsTest, AReloadWithoutPointsReportsOneBlankEntry) {
  LoadValueLayouts();
  daemon.loader.ClearPoints();
  const Lines lines = Statistics();
  ASSERT_EQ(lines.size(), 3u + 17u);
  EXPECT_EQ(lines[1], "1");
  EXPECT_EQ(lines[3], "0");  // its index
  EXPECT_EQ(lines[4], "");   // no name
}

TEST_F(ReportsTest, ConfigurationShowsTheSettings) {
  LoadValueLayouts();
  daemon.state.sDaemonName = "Inbox";
  daemon.state.sXmlFile = "/srv/points.xml";
  daemon.state.sLogFile = "";
  daemon.state.iLogLevel = 2;
  daemon.state.sLanguageFile = "german.lng";
  EXPECT_EQ(Report([&] { ShowConfiguration(daemon.log, daemon.state); }),
            (Lines{"Inbox", "/srv/points.xml", "", "2", "german.lng"}));
}

TEST_F(ReportsTest, TheShippedEnglishLayoutsFillEveryPlaceholder) {
  daemon.language.LoadLanguageFile(CORVANE_LANG_DIR "/english.lng");
  daemon.state.Points = {Point()};
  daemon.state.Points[0].Command = "mv in done";
  daemon.state.sDaemonName = "Inbox";
  std::vector<Lines> reports = {Statistics(),
                                Report([&] { ShowConfiguration(daemon.log, daemon.state); }),
                                Report([&] { ShowHelp(daemon.log); })};
  for (const Lines& report : reports) {
    ASSERT_GT(report.size(), 1u);
    for (const std::string& line : report) {
      EXPECT_EQ(line.find('%'), std::string::npos) << line;
    }
  }
  EXPECT_EQ(reports[0][0], "Statistics:");
  EXPECT_EQ(reports[0][1],
            "  Running since 2024-05-06 07:08:09, 1 observation points, the daemon is running.");
  EXPECT_EQ(reports[1][1], "  Daemon name       : Inbox");
  EXPECT_EQ(reports[2][0], "Commands:");
}

TEST_F(ReportsTest, CaptionShowsNameOrFileAndTheState) {
  daemon.state.sXmlFile = "/srv/points.xml";
  daemon.state.sDaemonName = "Inbox";
  EXPECT_EQ(CaptionText(daemon.state, daemon.language, true), "Inbox (running)");
  daemon.state.sDaemonName.clear();
  EXPECT_EQ(CaptionText(daemon.state, daemon.language, false),
            "Corvane [/srv/points.xml] (stopped)");
  LoadValueLayouts();
  control.running = false;
  UpdateCaption(daemon.state, daemon.language, control);
  EXPECT_EQ(control.captions, Lines{"Corvane [/srv/points.xml] (off)"});
}

}  // namespace
}  // namespace corvane::test
