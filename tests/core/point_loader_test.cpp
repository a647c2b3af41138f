#include "core/point_loader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using Texts = std::vector<std::string>;

std::string Point(const std::string& inner) { return "<Point>" + inner + "</Point>"; }

std::string ValidPoint(const std::string& dir, const std::string& extra = "") {
  return test::PointXml(dir, 5, "<Command>true</Command>" + extra);
}

std::string File(const std::vector<std::string>& points, const std::string& name = "Hot") {
  return test::ObservationXml(name, points);
}

// Every value loading sets, on one line; the flags as the letters of those set.
std::string Describe(const ObservationPoint& p) {
  const bool set[] = {p.hidden,    p.system,    p.archive,          p.readOnly, p.compressed,
                      p.terminate, p.exclusive, p.noSubdirectories, p.watch};
  std::string flags;
  for (std::size_t i = 0; i < std::size(set); ++i)
    if (set[i]) flags += "HSARCTENW"[i];
  return p.name + "|" + p.directory + "|" + p.filePattern + "|" + p.command + "|" +
         std::to_string(p.interval) + "|" + std::to_string(p.minimumAge) + " " + p.ageUnit + "|" +
         p.windowStyle + " " + std::to_string(p.wait) + "|" + flags;
}

class PointLoaderTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  bool Load(const std::string& xml) { return loader.LoadFile(dir.Write("points.xml", xml)); }

  test::TempDir dir;
  PointLoader loader{state, log};
};

// Flags are on only for a number that rounds to 1 (Watch only for "1"
// itself), values are case sensitive ("yes" is not "Yes"), numbers round
// half to even, and the directory, pattern and name are completed.
TEST_F(PointLoaderTest, EveryValueAndItsDefault) {
  const std::string at = "<Directory>/in</Directory><Command>x</Command>";
  const std::pair<std::string, std::string> cases[] = {
      {at + "<Intervall>5</Intervall>", "/in/*.*|/in/|*.*|x|5|0 sec|normal -1|ACE"},
      {"<Directory>/in</Directory><Intervall Watch=\"01\">5</Intervall><Name>Scans</Name>"
       "<FilePattern>*.pdf|*.PDF</FilePattern><NoSubdirs>Yes</NoSubdirs>"
       "<LastChange Period=\"min\">10</LastChange><Command Wait=\"2000\" Terminate=\"1\" "
       "Window=\"Min\">gzip %File%</Command><Attributes Hidden=\"1\" System=\"1\" Archive=\"0\" "
       "Compressed=\"0\" Readonly=\"1\" Exclusive=\"0\"/>",
       "Scans|/in/|*.pdf|*.PDF|gzip %File%|5|10 min|Min 2000|HSRTN"},
      {at + "<Intervall Watch=\"1\">3.5</Intervall><NoSubdirs>yes</NoSubdirs>"
            "<FilePattern>*.txt|*.TXT</FilePattern>"
            "<Attributes Hidden=\"1.4\" System=\"2\" Readonly=\"-1\" Compressed=\"1.5\"/>",
       "/in/*.txt|*.TXT|/in/|*.txt|*.TXT|x|4|0 sec|normal -1|HAEW"},
  };
  for (const auto& [inner, described] : cases) {
    state.points.clear();
    ASSERT_TRUE(Load(File({Point(inner)}))) << inner;
    EXPECT_EQ(Describe(state.points.back()), described) << inner;
  }
}

// A point the file describes wrongly is reported and skipped. Added with a
// warning: a lone "*" pattern, used as "*.*" (any other is used as
// written); an unknown age period, which makes a point that can never
// handle a file; folders for a command not waited for, which are dropped.
// Other folders are taken relative to the point's directory unless absolute.
TEST_F(PointLoaderTest, EachPointIsReportedInFileOrder) {
  state.logLevel = LogLevel::Info;
  const std::string folders = "OnSuccess=\"done\" OnFailure=\"/var/failed\">true</Command>";
  ASSERT_TRUE(Load(
      File({ValidPoint(
                "/a", "<LastChange Period=\"minute\">10</LastChange><FilePattern>?*</FilePattern>"),
            Point("<Directory>/b</Directory><Intervall>0</Intervall>"),
            ValidPoint("/c", "<FilePattern>*</FilePattern>"),
            test::PointXml("/d", 5, "<Command " + folders),
            test::PointXml("/e", 5, "<Command Wait=\"0\" " + folders)})));
  ASSERT_EQ(state.points.size(), 4u);
  EXPECT_EQ(state.points[2].successFolder + state.points[2].failureFolder + "|" +
                state.points[3].successFolder + " " + state.points[3].failureFolder,
            "|/e/done/ /var/failed/");
  EXPECT_EQ(Lines(),
            (Texts{"Warning ] Observation point '/a/?*': unknown LastChange period "
                   "'minute'; the point will handle no file.",
                   "  Error ] Observation point ' 1' could not be added!",
                   "Warning ] Observation point '/c/*.*': FilePattern '*' is used as '*.*', "
                   "which matches only names holding a dot; '?*' matches every name.",
                   "Warning ] Observation point '/d/*.*': OnSuccess and OnFailure need a "
                   "command that is waited for (Wait 0 or more); they are ignored.",
                   "   Info ] Loaded " + dir.File("points.xml") +
                       ",  4 observation points added. (1 failed!)"}));
}

// Every failed load says at Error which file and what is wrong, so that a
// failed reload is not silent in the log. A conversion error stops the load
// where it is: the points before it stay, the name is not taken. A file
// without a usable point still names the daemon.
TEST_F(PointLoaderTest, FailedLoadsSayWhyAndKeepWhatCameBefore) {
  const std::string file = dir.File("points.xml");
  const std::string notLoaded = "Could not load " + file + ": ";
  const auto around = [](const std::string& bad) {
    return File({ValidPoint("/a"), bad, ValidPoint("/c")}, "Named");
  };
  const std::tuple<std::string, std::string, std::size_t, std::string> cases[] = {
      {"", notLoaded + "File was not found.", 0, "Corvane"},
      {"<Corvane><Name>X</Name>\n<Observation>",
       notLoaded + "line 2, column 13: Start-end tags mismatch.", 0, "Corvane"},
      {File({Point("<Directory>/a</Directory><Intervall>-3</Intervall>")}, "Never"),
       notLoaded + "no usable observation point.", 0, "Never"},
      {around(ValidPoint("/b", "<Attributes Hidden=\"yes\"/>")),
       "modMain::fLoadFile:13 (Type mismatch)", 1, "Corvane"},
      {around(Point("<Directory>/b</Directory><Intervall>99999999999</Intervall>")),
       "modMain::fLoadFile:6 (Overflow)", 1, "Corvane"},
  };
  for (const auto& [xml, error, kept, name] : cases) {
    state.points.clear(), state.daemonName = "Corvane";
    std::filesystem::remove(file);
    if (!xml.empty()) dir.Write("points.xml", xml);
    EXPECT_FALSE(loader.LoadFile(file)) << xml;
    EXPECT_EQ(std::tuple(Lines().back(), state.points.size(), state.daemonName),
              std::tuple("  Error ] " + error, kept, name))
        << xml;
  }
}

// A reloaded point keeps the files its commands still run, matched by its
// directory; a failed reload leaves one blank entry.
TEST_F(PointLoaderTest, AReloadKeepsTheRunningCommandsOfAPointAndAFailedOneLeavesOneBlank) {
  state.xmlFile = dir.Write("points.xml", File({ValidPoint("/a"), ValidPoint("/b")}));
  ASSERT_TRUE(loader.LoadFile(state.xmlFile));
  const auto kept = state.points[1].running = std::make_shared<RunningCommands>();
  dir.Write("points.xml", File({ValidPoint("/b"), ValidPoint("/c")}));
  loader.ReloadPoints();
  EXPECT_EQ(std::tuple(state.points[0].running, state.points[1].running),
            std::tuple(kept, nullptr));
  dir.Write("points.xml", "<Corvane><Observation>");
  loader.ReloadPoints();
  ASSERT_EQ(state.points.size(), 1u);
  EXPECT_EQ(std::tuple(state.points[0].IsBlank(), state.points[0].archive),
            std::tuple(true, false));
}

// The examples name their daemon, and each of their points loads.
TEST(Examples, EveryBundledFileLoadsEveryPoint) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".xml") continue;
    test::LoggingCore core;
    ++files;
    ASSERT_TRUE(PointLoader(core.state, core.log).LoadFile(entry.path().string())) << entry.path();
    EXPECT_EQ(std::tuple(core.state.daemonName != "Corvane", core.Logged("failed")),
              std::tuple(true, false))
        << entry.path();
  }
  EXPECT_GE(files, 7);
}

}  // namespace
}  // namespace corvane
