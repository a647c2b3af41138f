#include "core/point_loader.h"

#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "lang/language.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

// "<Point>" elements for an observation file.
std::string Point(const std::string& inner) { return "<Point>" + inner + "</Point>"; }

std::string ValidPoint(const std::string& dir, const std::string& extra = "") {
  return Point("<Directory>" + dir + "</Directory><Intervall>5</Intervall><Command>true</Command>" +
               extra);
}

std::string File(const std::vector<std::string>& points, const std::string& name = "") {
  std::string xml = "<Corvane>";
  if (!name.empty()) xml += "<Name>" + name + "</Name>";
  xml += "<Observation>";
  for (const auto& p : points) xml += p;
  return xml + "</Observation></Corvane>";
}

class PointLoaderTest : public ::testing::Test {
 protected:
  static DaemonState DebugState() {
    DaemonState state;
    state.iLogLevel = LogLevel::Debug;
    return state;
  }
  bool Load(const std::string& xml) { return loader.fLoadFile(dir.Write("points.xml", xml)); }
  // The one point of a file holding only `inner` besides the required values.
  ObservationPoint LoadOne(const std::string& extra) {
    EXPECT_TRUE(Load(File({ValidPoint("/in", extra)})));
    EXPECT_EQ(state.Points.size(), 1u);
    return state.Points.empty() ? ObservationPoint{} : state.Points.front();
  }
  // Log lines without their time stamp.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const auto& text : view.Texts()) lines.push_back(text.substr(text.find(' ', 12) + 1));
    return lines;
  }

  test::TempDir dir;
  DaemonState state = DebugState();
  Language language;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  SystemClock clock;
  Log log{state, language, view, desktop, clock};
  PointLoader loader{state, log};
};

TEST_F(PointLoaderTest, DefaultsOfAPointWithOnlyTheRequiredValues) {
  const ObservationPoint p = LoadOne("");
  EXPECT_EQ(p.Directory, "/in/");
  EXPECT_EQ(p.FilePattern, "*.*");
  EXPECT_EQ(p.Name, "/in/*.*");
  EXPECT_EQ(p.Period, "sec");
  EXPECT_EQ(p.Window, "normal");
  EXPECT_EQ(p.Intervall, 5);
  EXPECT_EQ(p.LastChange, 0);
  EXPECT_EQ(p.Wait, -1);
  EXPECT_FALSE(p.Hidden || p.System || p.Readonly || p.Terminate || p.NoSubdirs);
  EXPECT_TRUE(p.Archive && p.Compressed && p.Exclusive);
  EXPECT_EQ(p.lTicks + p.lExecuted + p.lFailed, 0);
}

TEST_F(PointLoaderTest, ReadsEveryValue) {
  const ObservationPoint p = LoadOne(
      "<Name>Scans</Name><FilePattern>*.pdf|*.PDF</FilePattern><NoSubdirs>Yes</NoSubdirs>"
      "<LastChange Period=\"min\">10</LastChange>"
      "<Attributes Hidden=\"1\" System=\"1\" Archive=\"0\" Compressed=\"0\" Readonly=\"1\" "
      "Exclusive=\"0\"/>");
  EXPECT_EQ(p.Name, "Scans");
  EXPECT_EQ(p.FilePattern, "*.pdf|*.PDF");
  EXPECT_TRUE(p.NoSubdirs);
  EXPECT_EQ(p.LastChange, 10);
  EXPECT_EQ(p.Period, "min");
  EXPECT_TRUE(p.Hidden && p.System && p.Readonly);
  EXPECT_FALSE(p.Archive || p.Compressed || p.Exclusive);
}

TEST_F(PointLoaderTest, CommandAttributes) {
  std::string xml =
      File({Point("<Directory>/d</Directory><Intervall>1</Intervall>"
                  "<Command Wait=\"2000\" Terminate=\"1\" Window=\"Min\">gzip "
                  "%File%</Command>")});
  ASSERT_TRUE(Load(xml));
  const ObservationPoint& p = state.Points.at(0);
  EXPECT_EQ(p.Command, "gzip %File%");
  EXPECT_EQ(p.Wait, 2000);
  EXPECT_TRUE(p.Terminate);
  EXPECT_EQ(p.Window, "Min");
}

TEST_F(PointLoaderTest, FlagsAreTrueOnlyForOne) {
  struct Case {
    const char* value;
    bool hidden;
  };
  for (const Case c : {Case{"1", true}, Case{"0", false}, Case{"2", false}, Case{"-1", false},
                       Case{" 1 ", true}, Case{"1.4", true}}) {
    state.Points.clear();
    EXPECT_EQ(LoadOne("<Attributes Hidden=\"" + std::string(c.value) + "\"/>").Hidden, c.hidden)
        << c.value;
  }
}

TEST_F(PointLoaderTest, RepairsOfAddPoint) {
  struct Case {
    const char* dir;
    const char* pattern;
    const char* storedDir;
    const char* storedPattern;
  };
  for (const Case c :
       {Case{"/a", "*", "/a/", "*.*"}, Case{"/a/", "", "/a/", "*.*"},
        Case{"/a", "a.b", "/a/", "a.b"}, Case{"/a", "ab", "/a/", "*.*"},
        Case{"/a", "*.txt|*.TXT", "/a/", "*.txt|*.TXT"}, Case{"/a", "readme", "/a/", "*.*"}}) {
    ObservationPoint p;
    p.Directory = c.dir;
    p.FilePattern = c.pattern;
    p.Command = "true";
    p.Intervall = 1;
    ASSERT_TRUE(loader.fAddPoint(p));
    EXPECT_EQ(p.Directory, c.storedDir);
    EXPECT_EQ(p.FilePattern, c.storedPattern) << c.pattern;
    EXPECT_EQ(p.Name, std::string(c.storedDir) + c.storedPattern);
  }
}

TEST_F(PointLoaderTest, RejectedPointsAreCountedAndTheRestLoads) {
  ASSERT_TRUE(Load(File({ValidPoint("/a"),
                         Point("<Directory>/b</Directory><Intervall>0</"
                               "Intervall><Command>x</Command>"),
                         ValidPoint("/c"), ValidPoint("/d")},
                        "Hot")));
  EXPECT_EQ(state.Points.size(), 3u);
  const std::string file = dir.File("points.xml");
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{
                "  Debug ] Added observation point: '/a/*.*' [/a/ | *.* | 5 sec ]",
                "  Error ] Observation point ' 1' could not be added!",
                "  Debug ] Added observation point: '/c/*.*' [/c/ | *.* | 5 sec ]",
                "  Debug ] Added observation point: '/d/*.*' [/d/ | *.* | 5 sec ]",
                "   Info ] Loaded " + file + ",  3 observation points added. (1 failed!)"}));
  EXPECT_EQ(state.sDaemonName, "Hot");
}

TEST_F(PointLoaderTest, RejectsPointsWithoutCommandIntervalOrDirectory) {
  EXPECT_FALSE(Load(File({Point("<Intervall>5</Intervall><Command>x</Command>"),
                          Point("<Directory>/a</Directory><Intervall>5</Intervall>"),
                          Point("<Directory>/a</Directory><Intervall>-3</Intervall><Command>x</"
                                "Command>")},
                         "Never")));
  EXPECT_TRUE(state.Points.empty());
  EXPECT_EQ(state.sDaemonName, "Never");  // the name is read even when no point was added
  EXPECT_EQ(view.items.size(), 3u);
}

TEST_F(PointLoaderTest, ConversionErrorStopsTheLoadAndKeepsEarlierPoints) {
  struct Case {
    std::string badPoint;
    std::string error;
  };
  for (const Case& c :
       {Case{Point("<Directory>/b</Directory><Command>x</Command>"), "13 (Type mismatch)"},
        Case{Point("<Directory>/b</Directory><Intervall>soon</Intervall><Command>x</Command>"),
             "13 (Type mismatch)"},
        Case{Point("<Directory>/b</Directory><Intervall>99999999999</Intervall>"), "6 (Overflow)"},
        Case{ValidPoint("/b", "<Attributes Hidden=\"yes\"/>"), "13 (Type mismatch)"},
        Case{Point("<Directory>/b</Directory><Intervall>1</Intervall><Command "
                   "Wait=\"long\">x</Command>"),
             "13 (Type mismatch)"},
        Case{ValidPoint("/b", "<LastChange>old</LastChange>"), "13 (Type mismatch)"}}) {
    SCOPED_TRACE(c.badPoint);
    state.Points.clear();
    state.sDaemonName = "Corvane";
    view.items.clear();
    EXPECT_FALSE(Load(File({ValidPoint("/a"), c.badPoint, ValidPoint("/c")}, "Named")));
    ASSERT_EQ(state.Points.size(), 1u);
    EXPECT_EQ(state.Points[0].Directory, "/a/");
    EXPECT_EQ(state.sDaemonName, "Corvane");
    EXPECT_EQ(Lines().back(), "  Error ] modMain::fLoadFile:" + c.error);
  }
}

TEST_F(PointLoaderTest, ValuesAreCaseSensitiveAndUntrimmed) {
  const ObservationPoint p = LoadOne("<NoSubdirs>yes</NoSubdirs><LastChange>3</LastChange>");
  EXPECT_FALSE(p.NoSubdirs);
  EXPECT_EQ(p.Period, "sec");
  EXPECT_EQ(p.LastChange, 3);
}

TEST_F(PointLoaderTest, UnreadableFileChangesNothing) {
  state.sDaemonName = "Before";
  EXPECT_FALSE(loader.fLoadFile(dir.File("missing.xml")));
  EXPECT_FALSE(Load("<Corvane><Observation>"));
  EXPECT_FALSE(Load(""));
  EXPECT_TRUE(state.Points.empty());
  EXPECT_EQ(state.sDaemonName, "Before");
  EXPECT_TRUE(view.items.empty());
}

TEST_F(PointLoaderTest, ClearLeavesOneBlankEntryThatTheNextPointReplaces) {
  ASSERT_TRUE(Load(File({ValidPoint("/a"), ValidPoint("/b")})));
  loader.ClearPoints();
  ASSERT_EQ(state.Points.size(), 1u);
  EXPECT_TRUE(state.Points[0].IsBlank());
  EXPECT_EQ(state.Points[0].Wait, 0);
  EXPECT_FALSE(state.Points[0].Archive);

  state.sXmlFile = dir.Write("other.xml", File({ValidPoint("/z")}));
  loader.ReloadPoints();
  ASSERT_EQ(state.Points.size(), 1u);
  EXPECT_EQ(state.Points[0].Directory, "/z/");

  state.sXmlFile = dir.Write("empty.xml", File({}));
  loader.ReloadPoints();
  ASSERT_EQ(state.Points.size(), 1u);
  EXPECT_TRUE(state.Points[0].IsBlank());
}

TEST_F(PointLoaderTest, ASecondLoadAppends) {
  ASSERT_TRUE(Load(File({ValidPoint("/a")})));
  ASSERT_TRUE(Load(File({ValidPoint("/b")})));
  ASSERT_EQ(state.Points.size(), 2u);
  EXPECT_EQ(state.Points[1].Directory, "/b/");
}

TEST_F(PointLoaderTest, TenThousandPoints) {
  std::vector<std::string> points(10000, ValidPoint("/many"));
  ASSERT_TRUE(Load(File(points)));
  EXPECT_EQ(state.Points.size(), 10000u);
}

}  // namespace
}  // namespace corvane
