#include "core/shared_point.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/child_reaper.h"
#include "core/daemon_controller.h"
#include "core/directory_scan.h"
#include "core/run_command.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

SharedFolder OpenShared(const std::string& dir, const std::string& id) {
  platform::Result<SharedFolder> folder = SharedFolder::Open(dir, id);
  if (!folder) throw std::runtime_error(folder.error().text);
  return *std::move(folder);
}

// A shared point on in/ of daemon "me", whose waited command writes what
// %File% and %FileName% were into `record`.
class SharedPointTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  SharedPointTest() {
    fs::create_directory(in);
    state.sharedDaemonId = "me";
    point.directory = in + "/";
    point.interval = 1;
    point.wait = 0;
    point.shared = true;
    point.command = "sh -c 'test -f \"$1\" && printf \"%s|%s\" \"$1\" \"$2\" > \"$0\"' " + record +
                    " %File% %FileName%";
  }
  std::int32_t Check() { return scanner.CheckDirectory(point.directory, point).handled; }
  std::string Put(const std::string& name) {
    fs::create_directories(fs::path(in + "/" + name).parent_path());
    return dir.Write("in/" + name, "data");
  }

  test::TempDir dir;
  const std::string in = dir.File("in");
  const std::string record = dir.File("record");
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  DirectoryScanner scanner{state, log, clock, runner};
  ObservationPoint point;
};

TEST_F(SharedPointTest, HandsAFileOverOnlyAtTheSecondCheckThatSeesItUnchanged) {
  const std::string file = Put("a.txt");
  EXPECT_EQ(Check(), 0);
  std::ofstream(file, std::ios::app) << "more";
  EXPECT_EQ(Check(), 0);
  EXPECT_EQ(Check(), 1);
}

TEST_F(SharedPointTest, TheCommandGetsTheClaimedPathAndTheNameTheFileArrivedUnder) {
  Put("sub/a.txt");
  Check();
  ASSERT_EQ(Check(), 1);
  const std::string seen = test::ReadFile(record);
  EXPECT_TRUE(seen.starts_with(in + "/.corvane/claims/me/")) << seen;
  EXPECT_TRUE(seen.ends_with("|a.txt")) << seen;
}

// Where a file is once its waited command has ended; nothing stays claimed.
TEST_F(SharedPointTest, AfterTheCommandTheFileIsBackOrInItsOutcomeFolder) {
  const struct {
    const char* command;
    const char* success;
    const char* failure;
    const char* name;
    const char* lands;
  } cases[] = {{"true", "", "", "a.txt", "in/sub/a.txt"},
               {"true", "done", "failed", "b.txt", "done/b.txt"},
               {"false", "done", "failed", "c.txt", "failed/c.txt"}};
  for (const auto& c : cases) {
    point.command = c.command;
    point.successFolder = *c.success ? dir.File(c.success) + "/" : "";
    point.failureFolder = *c.failure ? dir.File(c.failure) + "/" : "";
    Put(std::string("sub/") + c.name);
    Check();
    ASSERT_EQ(Check(), 1) << c.command;
    EXPECT_TRUE(fs::is_regular_file(dir.File(c.lands))) << c.lands;
    EXPECT_TRUE(fs::is_empty(in + "/.corvane/claims/me")) << c.lands;
    fs::remove(dir.File(c.lands));
  }
}

TEST_F(SharedPointTest, AFileAnotherDaemonHoldsIsNotHandedOver) {
  SharedFolder other = OpenShared(in, "other");
  Put("a.txt");
  ASSERT_EQ(other.Claim("a.txt")->outcome, SharedFolder::ClaimOutcome::Claimed);
  ASSERT_TRUE(other.Beat());
  Check();
  EXPECT_EQ(Check(), 0);
  EXPECT_EQ(*other.HeldFiles(), std::vector<std::string>{"a.txt"});
}

TEST_F(SharedPointTest, TheClaimsOfAStaleDaemonComeBackWithAWarningThoseOfALiveOneDoNot) {
  SharedFolder dead = OpenShared(in, "dead");
  SharedFolder alive = OpenShared(in, "alive");
  Put("x.txt");
  Put("y.txt");
  ASSERT_TRUE(dead.Claim("x.txt") && alive.Claim("y.txt"));
  ASSERT_TRUE(dead.Beat() && alive.Beat());
  fs::last_write_time(in + "/.corvane/heartbeats/dead",
                      fs::file_time_type::clock::now() - std::chrono::seconds(61));
  EXPECT_EQ(Check(), 0);
  EXPECT_TRUE(fs::exists(in + "/x.txt"));
  EXPECT_TRUE(Logged("the daemon 'dead' gave no sign of life for more than 60 sec: 1 of its"));
  EXPECT_FALSE(Logged("'alive'"));
  EXPECT_EQ(*alive.HeldFiles(), std::vector<std::string>{"y.txt"});
}

// While a check waits for its command, no check beats: the daemon's timer
// does, or the others would take it for dead.
TEST(SharedPointHeartbeat, IsTouchedWhileAWaitedCommandRuns) {
  test::TempDir dir;
  fs::create_directories(dir.File("in"));
  const std::string beat = dir.File("in/.corvane/heartbeats/me");
  const std::string seen = dir.File("seen");
  test::FixedClock clock;
  DaemonController controller{clock};
  StartOptions options;
  options.settings.shared = {"me", 1};
  options.allowSecondInstance = true;
  options.checkAtStart = true;
  options.observationFile = dir.Write(
      "points.xml",
      test::ObservationXml(
          "Shared", {test::PointXml(dir.File("in"), 1,
                                    "<Shared>Yes</Shared><Command Wait=\"0\">sh -c 'stat -c %y "
                                    "\"$0\" > \"$1\"; sleep 2; stat -c %y \"$0\" >> \"$1\"' " +
                                        beat + " " + seen + "</Command>")}));
  dir.Write("in/a.txt", "x");
  ASSERT_EQ(controller.Start(options), StartOutcome::Running);
  ASSERT_TRUE(
      test::Eventually([&] { return std::ranges::count(test::ReadFile(seen), '\n') == 2; }));
  const std::string times = test::ReadFile(seen);
  const std::size_t split = times.find('\n');
  EXPECT_NE(times.substr(0, split), times.substr(split + 1)) << times;
  controller.Quit({StopReason::Kind::Command, "exit"});
}

}  // namespace
}  // namespace corvane
