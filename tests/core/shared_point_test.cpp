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

// A shared point on in/ of daemon "me" with a waited command.
class SharedPointTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  SharedPointTest() {
    fs::create_directory(in);
    state.sharedDaemonId = "me";
    point.directory = in + "/";
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

// A writer on another machine is seen only so: a file is handed over at
// the first check that sees it in the size and time the check before saw.
// One grown, touched, or away for a check waits another check.
TEST_F(SharedPointTest, HandsAFileOverOnlyAtTheSecondCheckThatSeesItUnchanged) {
  const std::string file = Put("a.txt");
  EXPECT_EQ(Check(), 0);
  const fs::file_time_type modified = fs::last_write_time(file);
  std::ofstream(file, std::ios::app) << "more";
  fs::last_write_time(file, modified);
  EXPECT_EQ(Check(), 0);
  fs::last_write_time(file, modified + std::chrono::nanoseconds(1));
  EXPECT_EQ(Check(), 0);
  fs::rename(file, dir.File("away"));
  EXPECT_EQ(Check(), 0);
  fs::rename(dir.File("away"), file);
  EXPECT_EQ(Check(), 0);
  EXPECT_EQ(Check(), 1);
}

// The command finds the file at the claimed path in %File%, named as it
// arrived in %FileName%; once it has ended the file is back or in its
// outcome folder, and nothing stays claimed.
TEST_F(SharedPointTest, TheCommandGetsTheClaimedFileWhichGoesBackOrToItsOutcomeFolder) {
  const std::string record = dir.File("record");
  // Exit code, whether the point has outcome folders, name, where it lands.
  const std::tuple<int, bool, std::string, const char*> cases[] = {
      {0, false, "a.txt", "in/sub/a.txt"},
      {0, true, "b.txt", "done/b.txt"},
      {1, true, "c.txt", "failed/c.txt"}};
  for (const auto& [code, folders, name, lands] : cases) {
    point.command = "sh -c 'test -f \"$1\" && printf \"%s|%s\" \"$1\" \"$2\" > \"$0\"; exit " +
                    std::to_string(code) + "' " + record + " %File% %FileName%";
    point.successFolder = folders ? dir.File("done/") : "";
    point.failureFolder = folders ? dir.File("failed/") : "";
    Put("sub/" + name);
    Check();
    ASSERT_EQ(Check(), 1) << name;
    // The log tells the file by the path it arrived at.
    EXPECT_EQ(std::tuple(test::ReadFile(record).ends_with("|" + name),
                         fs::is_regular_file(dir.File(lands)),
                         Logged("'" + in + "/sub/" + name + "' moved to"),
                         fs::is_empty(in + "/.corvane/claims/me")),
              std::tuple(true, true, folders, true))
        << test::ReadFile(record);
    fs::remove(dir.File(lands));
  }
}

// A point checked every second would otherwise log the same Error every
// second.
TEST_F(SharedPointTest, AFolderThatCannotBeUsedIsToldAsAnErrorOnceWhileTheReasonStays) {
  dir.Write("in/.corvane", "not a folder");
  for (int check = 0; check < 3; ++check) EXPECT_EQ(Check(), 0);
  int told = 0;
  for (const std::string& line : Lines())
    told += line.starts_with("  Error ]") && line.find("cannot be used") != line.npos;
  EXPECT_EQ(told, 1);
}

// A file is opened for the exclusive test only once claimed: on an SMB
// share, a daemon holding open a file another has just claimed would make
// that one's command fail to remove it. The hot folder never sees an open.
TEST_F(SharedPointTest, TheExclusiveTestIsMadeOnTheClaimedFileWhichGoesBackWhenInUse) {
  const std::string file = Put("a.txt");
  Check();
  auto held = std::make_unique<std::ifstream>(file);
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_TRUE(watch >= 0 && ::inotify_add_watch(watch, in.c_str(), IN_OPEN) >= 0);

  EXPECT_EQ(Check(), 0);
  EXPECT_EQ(std::tuple(fs::exists(file), fs::is_empty(in + "/.corvane/claims/me"),
                       Logged("Exclusive access to 'a.txt' not granded")),
            std::tuple(true, true, true));
  alignas(inotify_event) char events[4096];
  const ssize_t got = std::max<ssize_t>(::read(watch, events, sizeof events), 0);
  for (char* at = events; at < events + got;) {
    const auto* event = reinterpret_cast<const inotify_event*>(at);
    EXPECT_TRUE(event->mask & IN_ISDIR) << event->name << " opened in the hot folder";
    at += sizeof(inotify_event) + event->len;
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
        ::mount(cover.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) != 0)
      ::_exit(77);
    const bool told = Check() + Check() == 0 && !Logged("cannot be claimed") &&
                      Logged("Exclusive access to 'busy.txt' not granded") && fs::exists(file);
    ::_exit(told ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace of its own here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
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
  std::string xml = test::ObservationXml(
      "S", {test::PointXml(in, 1, "<Shared>Yes</Shared><Command>true</Command>")});
  state.xmlFile = dir.Write("points.xml", xml);
  PointLoader loader(state, log);
  ASSERT_TRUE(loader.LoadFile(state.xmlFile));
  ASSERT_TRUE(PrepareSharedCheck(log, state, state.points[0]));
  const auto before = std::tuple(state.points[0].sharedState,
                                 state.points[0].running = std::make_shared<RunningCommands>());
  dir.Write("points.xml", xml.replace(xml.find(">true<"), 6, ">false<"));
  loader.ReloadPoints();
  EXPECT_EQ(std::tuple(state.points[0].sharedState, state.points[0].running), before);
}

TEST(SharedSettings, AreReadAndStaleSecondsAreAboveZero) {
  fs::create_directories(fs::path(SettingsFile()).parent_path());
  std::ofstream(SettingsFile()) << "[General]\nShared.DaemonId=box-1\nShared.StaleSeconds=2\n";
  EXPECT_EQ(ReadDaemonSettings(SettingsReader()).shared, (SharedSettings{"box-1", 2}));
  std::ofstream(SettingsFile()) << "[General]\nShared.StaleSeconds=0\n";
  EXPECT_THROW(ReadDaemonSettings(SettingsReader()), SettingsError);
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
  EXPECT_EQ(std::tuple(source.WatchOf("/in/sub/") != -1, source.WatchOf("/in/.corvane/")),
            std::tuple(true, -1));
}

}  // namespace
}  // namespace corvane
