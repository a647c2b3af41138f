#include "console/reports.h"

#include "console_fixture.h"

namespace corvane::test {
namespace {

// Layouts with one value per line, so that every placeholder can be checked.
class ReportsTest : public ConsoleTest {
 protected:
  ReportsTest() {
    daemon.language.LoadLanguageFile(
        dir.Write("values.lng",
                  "33=on\n34=off\n0=Y\n1=N\n53=A\n54=R\n55=C\n56=H\n57=S\n44=%1|%2|%3|%4|%5\n"
                  "46=%1|%2|%3\n"
                  "47=%1|%2|%3|%4|%5|%6|%7|%8|[%9]|%10|%11|%12|%13|%14|%15|%16|%17\n"));
  }
  Strings Statistics(bool running) {
    view.items.clear();
    ShowStatistics(daemon.log, daemon.state, running);
    return Lines();
  }
  static ObservationPoint Point(bool flags) {
    ObservationPoint point;
    point.Name = "Scans";
    point.Directory = "/srv/in/";
    point.FilePattern = "*.pdf|*.tif";
    point.Command = "mv %File% /srv/done";
    point.Wait = 5000;
    point.Window = point.Period = "min";
    point.LastChange = 3;
    point.Intervall = 60;
    point.lTicks = 15;
    point.lExecuted = 12;
    point.lFailed = 2;
    point.Terminate = point.NoSubdirs = flags;
    point.Exclusive = !flags;
    point.Archive = point.Readonly = point.Compressed = point.Hidden = point.System = flags;
    return point;
  }
};

TEST_F(ReportsTest, StatisticsShowEveryValueOfAPoint) {
  daemon.state.Points = {Point(false), Point(true)};
  // Point values: index, name, directory, pattern, command, wait, terminate,
  // window, attributes, exclusive, age, period, interval, ticks left,
  // started, failed, subdirectories.
  const Strings expected = {"2026-01-02 03:04:05", "2", "off",
                            // point 0
                            "0", "Scans", "/srv/in/", "*.pdf|*.tif", "mv %File% /srv/done", "5000",
                            "N", "min", "[]", "Y", "3", "min", "60", "45", "12", "2", "Y",
                            // point 1
                            "1", "Scans", "/srv/in/", "*.pdf|*.tif", "mv %File% /srv/done", "5000",
                            "Y", "min", "[A R C H S ]", "N", "3", "min", "60", "45", "12", "2",
                            "N"};
  EXPECT_EQ(Statistics(false), expected);
  EXPECT_EQ(Statistics(true)[2], "on");
  daemon.loader.ClearPoints();  // a reload without points: one blank entry
  const Strings blank = Statistics(true);
  ASSERT_EQ(blank.size(), 3u + 17u);
  EXPECT_EQ(blank[1], "1");
  EXPECT_EQ(blank[4], "");  // no name
}

TEST_F(ReportsTest, ConfigurationShowsTheSettings) {
  daemon.state.sDaemonName = "Inbox";
  daemon.state.sXmlFile = "/srv/points.xml";
  daemon.state.iLogLevel = 2;
  daemon.state.sLanguageFile = "german.lng";
  ShowConfiguration(daemon.log, daemon.state);
  EXPECT_EQ(Lines(), (Strings{"Inbox", "/srv/points.xml", "", "2", "german.lng"}));
}

}  // namespace
}  // namespace corvane::test
