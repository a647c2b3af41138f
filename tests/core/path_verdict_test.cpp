#include "core/path_verdict.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>

#include "core/directory_scan.h"
#include "support/hot_folder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// One entry for each rule and each place a walk stops; the clock stands 11
// minutes after they were made, and busy.txt is held open by another
// process.
class PathVerdictTest : public ::testing::Test, protected test::HotFolder {
 protected:
  PathVerdictTest() {
    for (const char* name : {"a.txt", ".a.txt", "readme", "run.txt", "sub/b.txt", "sub/deep/.c.txt",
                             "done/b.txt", "failed/b.txt"}) {
      Put(name);
    }
    Put("ro.txt", 0444);
    ::mkfifo((in + "/fifo.txt").c_str(), 0644);
    fs::create_symlink("a.txt", in + "/link.txt");
    fs::create_directory_symlink("sub", in + "/link.d");
    fs::create_directory(in + "/folder.d");
    clock.now = QDateTime::currentDateTime().addSecs(11 * 60);
    const timespec times[2] = {{0, UTIME_OMIT}, {clock.now.toSecsSinceEpoch() - 9 * 60, 0}};
    ::utimensat(AT_FDCWD, Put("young.txt").c_str(), times, 0);
    point.minimumAge = 10;
    point.ageUnit = "min";
    point.running = std::make_shared<RunningCommands>(RunningCommands{{in + "/run.txt", 42}});
    point.successFolder = in + "/done/";
    point.failureFolder = in + "/failed/";
  }
  std::vector<PathVerdict> Why(const std::string& path) {
    return JudgePath(PointTable{point}, path, clock);
  }

  const test::Holder holder{"<", Put("busy.txt")};
};

TEST_F(PathVerdictTest, TheFirstRuleThatStopsAPathIsTheOneTheCheckApplies) {
  const struct {
    const char* path;
    PathPlace place;
    FileRule rule;
  } rows[] = {
      {"a.txt", PathPlace::Reached, FileRule::None},
      {"readme", PathPlace::Reached, FileRule::Pattern},
      {".a.txt", PathPlace::Reached, FileRule::HiddenOrSystem},
      {"fifo.txt", PathPlace::Reached, FileRule::HiddenOrSystem},
      {"link.txt", PathPlace::Reached, FileRule::HiddenOrSystem},
      {"ro.txt", PathPlace::Reached, FileRule::Attributes},
      {"run.txt", PathPlace::Reached, FileRule::CommandRunning},
      {"young.txt", PathPlace::Reached, FileRule::Age},
      {"busy.txt", PathPlace::Reached, FileRule::Exclusive},
      {"link.d/b.txt", PathPlace::NotEntered, FileRule::None},
      {"done/b.txt", PathPlace::OutcomeFolder, FileRule::None},
      {"failed/b.txt", PathPlace::OutcomeFolder, FileRule::None},
      {"gone.txt", PathPlace::CannotSee, FileRule::None},
      {"gone.d/b.txt", PathPlace::CannotSee, FileRule::None},
      {"sub", PathPlace::Folder, FileRule::None},
  };
  for (const auto& row : rows) {
    const std::vector<PathVerdict> verdicts = Why(in + "/" + row.path);
    ASSERT_EQ(verdicts.size(), 1u) << row.path;
    EXPECT_EQ(verdicts[0].place, row.place) << row.path;
    EXPECT_EQ(verdicts[0].file.stoppedBy, row.rule) << row.path;
  }
  const std::vector<PathVerdict> busy = Why(in + "/busy.txt");
  ASSERT_EQ(busy[0].holders.size(), 1u);
  EXPECT_EQ(busy[0].holders[0].pid, holder.processId());
  EXPECT_EQ(busy[0].holders[0].command, "sleep");
  point.shared = true;  // a file not seen at a check before has not yet stayed the same
  EXPECT_EQ(Why(in + "/a.txt")[0].file.stoppedBy, FileRule::Unsettled);
  EXPECT_EQ(Why(in + "/.corvane/claims/x.txt")[0].place, PathPlace::SharedFolder);
  point.shared = false;
  point.noSubdirectories = true;
  EXPECT_EQ(Why(in + "/sub/b.txt")[0].place, PathPlace::NoSubfolders);
}

// The check and the verdicts never disagree: what one check hands over is
// exactly what the verdicts said it would, with each flag turned from its
// default in turn. Nothing is moved meanwhile, so that every check sees the
// same tree.
TEST_F(PathVerdictTest, TheCheckHandsOverExactlyWhatTheVerdictsSay) {
  if (::mknod((in + "/dev.txt").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
    fs::create_symlink("/dev/null", in + "/dev.txt");  // no right to make nodes
  }
  point.successFolder.clear();
  DirectoryScanner scanner{state, log, clock, runner};
  const auto check = [&] {
    std::vector<std::string> expected;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(in)) {
      const std::vector<PathVerdict> verdicts = Why(entry.path().string());
      if (verdicts.size() == 1 && verdicts[0].HandedOver()) {
        expected.push_back(entry.path().string().substr(point.directory.size()));
      }
    }
    std::sort(expected.begin(), expected.end());
    scanner.CheckDirectory(point.directory, point);
    EXPECT_EQ(Handed(), expected);
    return expected;
  };
  using Names = std::vector<std::string>;
  const Names always = {"a.txt", "busy.txt", "done/b.txt", "sub/b.txt"};
  const std::pair<bool ObservationPoint::*, Names> cases[] = {
      {nullptr, {}},
      {&ObservationPoint::hidden, {".a.txt", "sub/deep/.c.txt"}},
      {&ObservationPoint::readOnly, {"ro.txt"}},
      {&ObservationPoint::system, {"dev.txt", "fifo.txt", "link.d", "link.txt"}},
  };
  point.exclusive = false;
  for (const auto& [flag, more] : cases) {
    SCOPED_TRACE(more.empty() ? "" : more[0]);
    const ObservationPoint defaults = point;
    if (flag) point.*flag = true;
    Names expected = always;
    expected.insert(expected.end(), more.begin(), more.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(check(), expected);
    point = defaults;
  }
  // Everything allowed, but only a regular writable file can be had
  // alone. None of the others is opened: opening the FIFO to read would
  // block here.
  point.exclusive = point.hidden = point.readOnly = point.system = point.noSubdirectories = true;
  EXPECT_EQ(check(), (Names{".a.txt", "a.txt"}));
}

}  // namespace
}  // namespace corvane
