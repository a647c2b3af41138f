// The interval, 60 seconds, is longer than any wait here: every file that
// goes went because a change event brought the check forward.

#include <gtest/gtest.h>

#include <filesystem>

#include "corvane_process.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

class WatchE2eTest : public ::testing::Test {
 protected:
  WatchE2eTest() {
    fs::create_directory(in);
    fs::create_directory(out);
  }
  std::string ObservationFile() {
    return dir.Write(
        "points.xml",
        "<Corvane><Name>e2e</Name><Observation><Point><Name>drop</Name><Directory>" + in +
            "</Directory><FilePattern>*.txt</FilePattern><Intervall Watch=\"1\">60</Intervall>"
            "<Command Wait=\"0\">mv %File% " +
            out + "/</Command></Point><Point><Name>polled</Name><Directory>" + out +
            "</Directory><Intervall>60</Intervall><Command>true</Command></Point>"
            "</Observation></Corvane>");
  }
  bool Moved(const std::string& name) {
    return Eventually([&] { return fs::exists(out + "/" + name); });
  }

  TempDir dir;
  const std::string in = dir.File("in");
  const std::string out = dir.File("out");
};

TEST_F(WatchE2eTest, FilesGoSoonAfterTheyArriveAndOnlyTheCheckDecidesWhich) {
  CorvaneProcess daemon({"/XML", ObservationFile()}, "stat\n");
  // Once "stat" answers, the watches are armed.
  ASSERT_TRUE(daemon.Says("Failed: 0\n    Woken by changes: no\n"));  // the polled point is last
  EXPECT_EQ(Occurrences(daemon.Out(), "Woken by changes: yes"), 1);

  dir.Write("in/a.txt", "a");
  dir.Write("in/ignored.tmp", "no pattern matches");
  EXPECT_TRUE(Moved("a.txt"));
  fs::create_directories(in + "/sub/deep");
  dir.Write("in/sub/deep/b.txt", "b");
  EXPECT_TRUE(Moved("b.txt"));
  EXPECT_TRUE(fs::exists(in + "/ignored.tmp"));
  EXPECT_TRUE(daemon.Running());
}

}  // namespace
}  // namespace corvane::test
