#include "core/shared_point.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/change_watch.h"
#include "core/child_reaper.h"
#include "core/daemon_controller.h"
#include "core/directory_scan.h"
#include "core/point_loader.h"
#include "core/run_command.h"
#include "core/settings.h"
#include "support/event_loop.h"
#include "support/fake_change_source.h"
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

// A shared point on in/ of daemon "me" with a waited command.
class SharedPointTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  SharedPointTest() {
    fs::create_directory(in);
    state.sharedDaemonId = "me";
    point.directory = in + "/";
    point.interval = 1;
    point.wait = 0;
    point.shared = true;
    point.command = "true";
  }
  std::int32_t Check() { return scanner.CheckDirectory(point.directory, point).handled; }
  std::string Put(const std::string& name) {
    fs::create_directories(fs::path(in + "/" + name).parent_path());
    return dir.Write("in/" + name, "data");
  }

  test::TempDir dir;
  const std::string in = dir.File("in");
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

// The command finds the file at the claimed path in %File%, named as it
// arrived in %FileName%; once it has ended the file is back or in its
// outcome folder, and nothing stays claimed.
TEST_F(SharedPointTest, TheCommandGetsTheClaimedFileWhichGoesBackOrToItsOutcomeFolder) {
  const std::string record = dir.File("record");
  const struct {
    int code;
    bool folders;
    const char* name;
    const char* lands;
  } cases[] = {{0, false, "a.txt", "in/sub/a.txt"},
               {0, true, "b.txt", "done/b.txt"},
               {1, true, "c.txt", "failed/c.txt"}};
  for (const auto& c : cases) {
    point.command = "sh -c 'test -f \"$1\" && printf \"%s|%s\" \"$1\" \"$2\" > \"$0\"; exit " +
                    std::to_string(c.code) + "' " + record + " %File% %FileName%";
    point.successFolder = c.folders ? dir.File("done/") : "";
    point.failureFolder = c.folders ? dir.File("failed/") : "";
    Put(std::string("sub/") + c.name);
    Check();
    ASSERT_EQ(Check(), 1) << c.name;
    const std::string seen = test::ReadFile(record);
    EXPECT_TRUE(seen.starts_with(in + "/.corvane/claims/me/")) << seen;
    EXPECT_TRUE(seen.ends_with(std::string("|") + c.name)) << seen;
    EXPECT_TRUE(fs::is_regular_file(dir.File(c.lands))) << c.lands;
    // The log tells the file by the path it arrived at.
    EXPECT_EQ(c.folders, Logged("'" + in + "/sub/" + c.name + "' moved to")) << c.name;
    EXPECT_TRUE(fs::is_empty(in + "/.corvane/claims/me")) << c.lands;
    fs::remove(dir.File(c.lands));
  }
}

// A point checked every second would otherwise log the same Error every
// second.
TEST_F(SharedPointTest, AFolderThatCannotBeUsedIsToldAsAnErrorOnceWhileTheReasonStays) {
  dir.Write("in/.corvane", "not a folder");
  for (int check = 0; check < 3; ++check) EXPECT_EQ(Check(), 0);
  EXPECT_EQ(std::ranges::count_if(Lines(),
                                  [](const std::string& line) {
                                    return line.starts_with("  Error ]") &&
                                           line.find("cannot be used") != std::string::npos;
                                  }),
            1);
}

// A file is opened for the exclusive test only once claimed: on an SMB
// share, a daemon holding open a file another has just claimed would make
// that one's command fail to remove it. The hot folder never sees an open.
TEST_F(SharedPointTest, TheExclusiveTestIsMadeOnTheClaimedFileWhichGoesBackWhenInUse) {
  point.exclusive = true;
  const std::string file = Put("a.txt");
  Check();
  auto held = std::make_unique<std::ifstream>(file);
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, in.c_str(), IN_OPEN), 0);

  EXPECT_EQ(Check(), 0);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_TRUE(fs::is_empty(in + "/.corvane/claims/me"));
  EXPECT_TRUE(Logged("Exclusive access to 'a.txt' not granded"));
  alignas(inotify_event) char events[4096];
  for (ssize_t got; (got = ::read(watch, events, sizeof events)) > 0;) {
    for (char* at = events; at < events + got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      EXPECT_TRUE(event->mask & IN_ISDIR) << event->name << " opened in the hot folder";
      at += sizeof(inotify_event) + event->len;
    }
  }
  ::close(watch);
  held.reset();
  EXPECT_EQ(Check(), 1);
}

// On an SMB share a file that a client holds open cannot be renamed
// (EBUSY): it is busy, not a failed claim. A bind mount onto the file, in a
// mount namespace of the test's own, is as busy to a rename.
TEST_F(SharedPointTest, AFileTheServerHoldsBusyIsToldAsBusyNotAsAFailedClaim) {
  const std::string file = Put("busy.txt");
  const std::string cover = dir.Write("cover", "");
  const pid_t child = ::fork();
  if (child == 0) {
    const bool own = ::unshare(CLONE_NEWNS) == 0 || ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0;
    if (!own || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(cover.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      ::_exit(77);
    }
    const bool handed = Check() + Check() > 0;
    ::_exit(!handed && Logged("Exclusive access to 'busy.txt' not granded") &&
                    !Logged("cannot be claimed") && fs::exists(file)
                ? 0
                : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace of its own here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The scan never looks into the claim folders: a live daemon's file stays
// its own however many checks go by.
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
  ASSERT_TRUE(alive.Beat());
  EXPECT_EQ(Check(), 1);  // x.txt
  EXPECT_FALSE(Logged("'alive'"));
  EXPECT_FALSE(Logged("cannot be claimed"));
  EXPECT_EQ(*alive.HeldFiles(), std::vector<std::string>{"y.txt"});
}

TEST_F(SharedPointTest, AFileWhoseCommandRanOnByItselfIsHeldUntilItHasEnded) {
  point.wait = -1;
  point.command = "sleep 0.3";
  Put("a.txt");
  Check();
  ASSERT_EQ(Check(), 1);
  ASSERT_TRUE(test::Eventually([&] { return point.running->empty(); }));
  EXPECT_FALSE(fs::exists(in + "/a.txt"));
  EXPECT_EQ(Check(), 1);  // back, and as it is still there, handed over again
  EXPECT_TRUE(test::Eventually([&] { return point.running->empty(); }));
}

// Claims and the commands still running on them outlive a reload, even one
// that changes the command.
TEST_F(SharedPointTest, AReloadKeepsTheClaimsAndTheCommandsRunningOnThem) {
  const auto xml = [&](const char* command) {
    return test::ObservationXml(
        "S", {test::PointXml(
                 in, 1, "<Shared>Yes</Shared><Command>" + std::string(command) + "</Command>")});
  };
  state.xmlFile = dir.Write("points.xml", xml("true"));
  PointLoader loader(state, log);
  ASSERT_TRUE(loader.LoadFile(state.xmlFile));
  ASSERT_TRUE(PrepareSharedCheck(log, state, state.points[0]));
  state.points[0].running = std::make_shared<RunningCommands>();
  const ObservationPoint before = state.points[0];
  dir.Write("points.xml", xml("false"));
  loader.ReloadPoints();
  EXPECT_EQ(state.points[0].sharedState, before.sharedState);
  EXPECT_EQ(state.points[0].running, before.running);
}

TEST(SharedSettings, AreReadWithTheirDefaultsAndStaleSecondsAboveZero) {
  const struct {
    const char* stored;
    SharedSettings read;
    bool refused;
  } cases[] = {{"", {"", 60}, false},
               {"Shared.DaemonId=box-1\nShared.StaleSeconds=2\n", {"box-1", 2}, false},
               {"Shared.StaleSeconds=0\n", {}, true}};
  fs::create_directories(fs::path(SettingsFile()).parent_path());
  for (const auto& c : cases) {
    std::ofstream(SettingsFile()) << "[General]\n" << c.stored;
    try {
      EXPECT_EQ(ReadDaemonSettings(SettingsReader()).shared, c.read) << c.stored;
      EXPECT_FALSE(c.refused) << c.stored;
    } catch (const SettingsError& error) {
      EXPECT_TRUE(c.refused) << c.stored;
    }
  }
  fs::remove(SettingsFile());
}

// The claims and heartbeats change at every check: watched, they would wake
// the point again and again.
TEST(SharedPointWatch, TheClaimFolderIsNotWatched) {
  test::FakeChangeSource source;
  source.MakeDirectory("/in/.corvane/claims/");
  source.MakeDirectory("/in/sub/");
  ChangeWatch watch{source, [](std::size_t, WatchFallback) {}, [] { return false; }};
  ObservationPoint point;
  point.directory = "/in/";
  point.watch = point.shared = true;
  watch.Arm({point});
  EXPECT_NE(source.WatchOf("/in/sub/"), -1);
  EXPECT_EQ(source.WatchOf("/in/.corvane/"), -1);
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
  EXPECT_NE(times.substr(0, split), times.substr(split + 1, split)) << times;
  controller.Quit({StopReason::Kind::Command, "exit"});
}

}  // namespace
}  // namespace corvane
