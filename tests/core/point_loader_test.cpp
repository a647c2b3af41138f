#include "core/point_loader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using Texts = std::vector<std::string>;

std::string Point(const std::string& inner) { return "<Point>" + inner + "</Point>"; }

std::string ValidPoint(const std::string& dir, const std::string& extra = "") {
  return Point("<Directory>" + dir + "</Directory><Intervall>5</Intervall><Command>true</Command>" +
               extra);
}

std::string File(const std::vector<std::string>& points, const std::string& name = "") {
  std::string xml =
      "<Corvane>" + (name.empty() ? "" : "<Name>" + name + "</Name>") + "<Observation>";
  for (const auto& p : points) xml += p;
  return xml + "</Observation></Corvane>";
}

// Every value loading sets, on one line; the flags as the letters of those set.
std::string Describe(const ObservationPoint& p) {
  const bool set[] = {p.Hidden,     p.System,    p.Archive,   p.Readonly,
                      p.Compressed, p.Terminate, p.Exclusive, p.NoSubdirs};
  std::string flags;
  for (int i = 0; i < 8; ++i) flags += set[i] ? std::string(1, "HSARCTEN"[i]) : "";
  return p.Name + "|" + p.Directory + "|" + p.FilePattern + "|" + p.Command + "|" +
         std::to_string(p.Intervall) + "|" + std::to_string(p.LastChange) + " " + p.Period + "|" +
         p.Window + " " + std::to_string(p.Wait) + "|" + flags;
}

class PointLoaderTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  bool Load(const std::string& xml) { return loader.LoadFile(dir.Write("points.xml", xml)); }
  // The one point of a file holding a point with `inner`.
  ObservationPoint LoadOne(const std::string& inner) {
    state.Points.clear();
    EXPECT_TRUE(Load(File({Point(inner)})));
    return state.Points.empty() ? ObservationPoint{} : state.Points.back();
  }

  test::TempDir dir;
  PointLoader loader{state, log};
};

TEST_F(PointLoaderTest, DefaultsAndEveryValue) {
  const std::string required = "<Directory>/in</Directory><Intervall>5</Intervall>";
  EXPECT_EQ(Describe(LoadOne(required + "<Command>true</Command>")),
            "/in/*.*|/in/|*.*|true|5|0 sec|normal -1|ACE");
  EXPECT_EQ(Describe(LoadOne(required +
                             "<Name>Scans</Name><FilePattern>*.pdf|*.PDF</FilePattern>"
                             "<NoSubdirs>Yes</NoSubdirs><LastChange Period=\"min\">10</LastChange>"
                             "<Command Wait=\"2000\" Terminate=\"1\" Window=\"Min\">gzip %File%"
                             "</Command><Attributes Hidden=\"1\" System=\"1\" Archive=\"0\" "
                             "Compressed=\"0\" Readonly=\"1\" Exclusive=\"0\"/>")),
            "Scans|/in/|*.pdf|*.PDF|gzip %File%|5|10 min|Min 2000|HSRTN");
  // Values are case sensitive: "yes" is not "Yes".
  EXPECT_FALSE(LoadOne(required + "<Command>x</Command><NoSubdirs>yes</NoSubdirs>").NoSubdirs);
}

TEST_F(PointLoaderTest, NumbersRoundHalfToEvenAndFlagsAreOnOnlyForOne) {
  const auto with = [&](const std::string& interval, const std::string& hidden) {
    return LoadOne("<Directory>/a</Directory><Command>x</Command><Intervall>" + interval +
                   "</Intervall><Attributes Hidden=\"" + hidden + "\"/>");
  };
  EXPECT_EQ(with("2.5", "1").Intervall, 2);
  EXPECT_EQ(with("3.5", "1").Intervall, 4);
  for (const char* on : {"1", "1.4"}) EXPECT_TRUE(with("1", on).Hidden) << on;
  for (const char* off : {"2", "-1", "1.5", "0.5"}) EXPECT_FALSE(with("1", off).Hidden) << off;
}

TEST_F(PointLoaderTest, ChangeEventsAreAskedForOnlyByWatchOne) {
  const auto with = [&](const std::string& attribute) {
    return LoadOne("<Directory>/a</Directory><Command>x</Command><Intervall" + attribute +
                   ">60</Intervall>");
  };
  EXPECT_TRUE(with(" Watch=\"1\"").Watch);
  EXPECT_EQ(with(" Watch=\"1\"").Intervall, 60);
  for (const char* off : {"", " Watch=\"0\"", " Watch=\"yes\"", " Watch=\"01\"", " Watch=\"2\""}) {
    EXPECT_FALSE(with(off).Watch) << off;
  }
}

TEST_F(PointLoaderTest, AddPointRepairsDirectoryPatternAndName) {
  const auto added = [&](const std::string& directory, const std::string& pattern) {
    ObservationPoint p;
    p.Directory = directory;
    p.FilePattern = pattern;
    p.Command = "x";
    p.Intervall = 1;
    EXPECT_TRUE(loader.AddPoint(p));
    return p.Name + "|" + p.Directory + "|" + p.FilePattern;
  };
  EXPECT_EQ(added("/a", "*"), "/a/*.*|/a/|*.*");
  EXPECT_EQ(added("/a/", "ab"), "/a/*.*|/a/|*.*");
  EXPECT_EQ(added("/a", "a.b"), "/a/a.b|/a/|a.b");
  EXPECT_EQ(added("/a", "*.txt|*.TXT"), "/a/*.txt|*.TXT|/a/|*.txt|*.TXT");
}

TEST_F(PointLoaderTest, ValidAndInvalidPointsAreReportedInFileOrder) {
  ASSERT_TRUE(
      Load(File({ValidPoint("/a"), Point("<Directory>/b</Directory><Intervall>0</Intervall>"),
                 ValidPoint("/c")},
                "Hot")));
  EXPECT_EQ(state.Points.size(), 2u);
  EXPECT_EQ(state.daemonName, "Hot");
  EXPECT_EQ(Lines(), (Texts{"  Debug ] Added observation point: '/a/*.*' [/a/ | *.* | 5 sec ]",
                            "  Error ] Observation point ' 1' could not be added!",
                            "  Debug ] Added observation point: '/c/*.*' [/c/ | *.* | 5 sec ]",
                            "   Info ] Loaded " + dir.File("points.xml") +
                                ",  2 observation points added. (1 failed!)"}));
}

TEST_F(PointLoaderTest, ConversionErrorStopsTheLoadAndKeepsEarlierPoints) {
  for (const auto& [badPoint, error] :
       {std::pair{ValidPoint("/b", "<Attributes Hidden=\"yes\"/>"), "13 (Type mismatch)"},
        {Point("<Directory>/b</Directory><Intervall>99999999999</Intervall>"), "6 (Overflow)"}}) {
    state.Points.clear();
    state.daemonName = "Corvane";
    EXPECT_FALSE(Load(File({ValidPoint("/a"), badPoint, ValidPoint("/c")}, "Named")));
    ASSERT_EQ(state.Points.size(), 1u);
    EXPECT_EQ(state.Points[0].Directory, "/a/");
    EXPECT_EQ(state.daemonName, "Corvane");
    EXPECT_EQ(Lines().back(), std::string("  Error ] modMain::fLoadFile:") + error) << badPoint;
  }
}

// Every failed load says at Error which file and what is wrong, so that a
// failed reload is not silent in the log.
TEST_F(PointLoaderTest, FailedLoadsSayWhy) {
  const std::string file = dir.File("points.xml");
  const std::pair<std::string, std::string> cases[] = {
      {"", "File was not found"},
      {"<Corvane><Name>X</Name>\n<Observation>", "line 2, column 13: Start-end tags mismatch"},
      {File({Point("<Directory>/a</Directory><Intervall>-3</Intervall>")}, "Never"),
       "no usable observation point"},
  };
  for (const auto& [xml, reason] : cases) {
    std::filesystem::remove(file);
    if (!xml.empty()) dir.Write("points.xml", xml);
    view.items.clear();
    EXPECT_FALSE(loader.LoadFile(file));
    EXPECT_EQ(Lines().back(), "  Error ] Could not load " + file + ": " + reason + ".") << xml;
  }
  // The name is read all the same.
  EXPECT_TRUE(state.Points.empty());
  EXPECT_EQ(state.daemonName, "Never");
}

// Such a point never handles a file: it is loaded all the same, but the user is told.
TEST_F(PointLoaderTest, AnUnknownPeriodIsWarnedOf) {
  LoadOne(
      "<Name>Scans</Name><Directory>/a</Directory><Intervall>5</Intervall><Command>x"
      "</Command><LastChange Period=\"minute\">10</LastChange>");
  EXPECT_EQ(Lines(), (Texts{"  Debug ] Added observation point: 'Scans' [/a/ | *.* | 5 sec ]",
                            "Warning ] Observation point 'Scans': unknown LastChange period "
                            "'minute'; the point will handle no file.",
                            "   Info ] Loaded " + dir.File("points.xml") +
                                ",  1 observation points added."}));
}

TEST_F(PointLoaderTest, ReloadStartsFromOneBlankEntryThatTheFirstPointReplaces) {
  ASSERT_TRUE(Load(File({ValidPoint("/a"), ValidPoint("/b")})));

  state.xmlFile = dir.Write("other.xml", File({ValidPoint("/z")}));
  loader.ReloadPoints();
  ASSERT_EQ(state.Points.size(), 1u);
  EXPECT_EQ(state.Points[0].Directory, "/z/");

  state.xmlFile = dir.Write("broken.xml", "<Corvane><Observation>");
  loader.ReloadPoints();
  EXPECT_EQ(Lines().back(), "  Error ] Could not load " + state.xmlFile +
                                ": line 1, column 22: Start-end tags mismatch.");
  ASSERT_EQ(state.Points.size(), 1u);
  EXPECT_TRUE(state.Points[0].IsBlank());
  EXPECT_FALSE(state.Points[0].Archive);
}

TEST_F(PointLoaderTest, TenThousandPoints) {
  ASSERT_TRUE(Load(File(std::vector<std::string>(10000, ValidPoint("/many")))));
  EXPECT_EQ(state.Points.size(), 10000u);
}

}  // namespace
}  // namespace corvane
