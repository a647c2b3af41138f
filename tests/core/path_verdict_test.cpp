#include "core/path_verdict.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <filesystem>
#include <functional>
#include <set>

#include "core/child_reaper.h"
#include "core/directory_scan.h"
#include "core/run_command.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// A point on in/ whose command appends each handed path, NUL-terminated,
// to `record`; one file in in/ held open by another process.
class PathVerdictTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  PathVerdictTest() {
    fs::create_directory(in);
    point.directory = in + "/";
    point.interval = 7;
    point.wait = 0;
    point.command = "sh -c 'printf \"%s\\0\" \"$1\" >> \"$0\"' " + dir.File("handled") + " %File%";
    holder.start("sh", {"-c", "exec 3<\"$0\"; echo ready; exec sleep 120",
                        QString::fromStdString(Put("busy.txt"))});
    holder.waitForReadyRead(60000);
  }
  ~PathVerdictTest() override {
    holder.kill();
    holder.waitForFinished(60000);
  }
  std::string Put(const std::string& name, mode_t mode = 0644) {
    const std::string path = in + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    EXPECT_EQ(::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, mode)), 0) << path;
    return path;
  }
  std::vector<PathVerdict> Why(const std::string& path) {
    return JudgePath(PointTable{point}, path, clock);
  }

  test::TempDir dir;
  const std::string in = dir.File("in");
  ObservationPoint point;
  QProcess holder;
};

// Each row sets up one entry and changes the point; the rule named is the
// first that stops it.
TEST_F(PathVerdictTest, TheFirstRuleThatStopsAPathIsTheOneTheCheckApplies) {
  const auto made = [this](const char* name) { return [this, name] { Put(name); }; };
  const struct {
    const char* path;
    std::function<void()> setUp;
    PathPlace place;
    FileRule rule;
  } rows[] = {
      {"a.txt", made("a.txt"), PathPlace::Reached, FileRule::None},
      {"readme", made("readme"), PathPlace::Reached, FileRule::Pattern},
      {".a.txt", made(".a.txt"), PathPlace::Reached, FileRule::HiddenOrSystem},
      {"fifo.txt", [&] { ::mkfifo((in + "/fifo.txt").c_str(), 0644); }, PathPlace::Reached,
       FileRule::HiddenOrSystem},
      {"link.txt", [&] { fs::create_symlink("a.txt", in + "/link.txt"); }, PathPlace::Reached,
       FileRule::HiddenOrSystem},
      {"ro.txt", [&] { Put("ro.txt", 0444); }, PathPlace::Reached, FileRule::Attributes},
      {"run.txt",
       [&] {
         point.running = std::make_shared<RunningCommands>(RunningCommands{{Put("run.txt"), 42}});
       },
       PathPlace::Reached, FileRule::CommandRunning},
      {"young.txt",
       [&] {
         point.minimumAge = 10;
         point.ageUnit = "min";
         const timespec times[2] = {{0, UTIME_OMIT}, {clock.now.toSecsSinceEpoch() - 9 * 60, 0}};
         ::utimensat(AT_FDCWD, Put("young.txt").c_str(), times, 0);
       },
       PathPlace::Reached, FileRule::Age},
      {"busy.txt", [&] { point.exclusive = true; }, PathPlace::Reached, FileRule::Exclusive},
      {"sub/b.txt",
       [&] {
         Put("sub/b.txt");
         point.noSubdirectories = true;
       },
       PathPlace::NoSubfolders, FileRule::None},
      {"link.d/b.txt", [&] { fs::create_directory_symlink("sub", in + "/link.d"); },
       PathPlace::NotEntered, FileRule::None},
      {"done/b.txt",
       [&] {
         Put("done/b.txt");
         point.successFolder = in + "/done/";
       },
       PathPlace::OutcomeFolder, FileRule::None},
      {"gone.txt", [] {}, PathPlace::CannotSee, FileRule::None},
      {"gone.d/b.txt", [] {}, PathPlace::CannotSee, FileRule::None},
      {"sub", [] {}, PathPlace::Folder, FileRule::None},
      {"new.txt", [&] { Put("new.txt"), point.shared = true; }, PathPlace::Reached,
       FileRule::Unsettled},
      {".corvane/claims/x.txt", [&] { point.shared = true; }, PathPlace::SharedFolder,
       FileRule::None},
  };
  for (const auto& row : rows) {
    const ObservationPoint defaults = point;
    point.exclusive = false;
    row.setUp();
    const std::vector<PathVerdict> verdicts = Why(in + "/" + row.path);
    ASSERT_EQ(verdicts.size(), 1u) << row.path;
    EXPECT_EQ(verdicts[0].place, row.place) << row.path;
    EXPECT_EQ(verdicts[0].file.stoppedBy, row.rule) << row.path;
    if (row.rule == FileRule::Exclusive) {
      ASSERT_EQ(verdicts[0].holders.size(), 1u);
      EXPECT_EQ(verdicts[0].holders[0].pid, holder.processId());
      EXPECT_EQ(verdicts[0].holders[0].command, "sleep");
    }
    point = defaults;
  }
}

// The check and the verdicts never disagree: what one check hands over is
// exactly what the verdicts said it would, for the defaults and for a
// point that allows everything but looks into no sub-folder.
TEST_F(PathVerdictTest, TheCheckHandsOverExactlyWhatTheVerdictsSay) {
  for (const char* name :
       {"a.txt", ".h.txt", "readme", "sub/b.txt", "sub/deep/.c.txt", "done/d.txt"})
    Put(name);
  point.failureFolder = in + "/done/";
  Put("ro.txt", 0444);
  ::mkfifo((in + "/fifo.txt").c_str(), 0644);
  fs::create_symlink("a.txt", in + "/sub/link.txt");
  fs::create_directory_symlink("deep", in + "/sub/link.d");
  fs::create_directory(in + "/folder.d");
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  DirectoryScanner scanner{state, log, clock, runner};
  for (const bool allowAll : {false, true}) {
    point.hidden = point.system = point.readOnly = allowAll;
    point.exclusive = !allowAll;
    point.noSubdirectories = allowAll;
    std::set<std::string> expected;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(in)) {
      const std::vector<PathVerdict> verdicts = Why(entry.path().string());
      if (verdicts.size() == 1 && verdicts[0].HandedOver()) expected.insert(entry.path().string());
    }
    fs::remove(dir.File("handled"));
    scanner.CheckDirectory(point.directory, point);
    std::set<std::string> handed;
    const std::string all = test::ReadFile(dir.File("handled"));
    for (std::size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1) {
      handed.insert(all.substr(at, end - at));
    }
    EXPECT_EQ(handed, expected) << allowAll;
    EXPECT_EQ(expected.size(), allowAll ? 6u : 2u);
  }
}

}  // namespace
}  // namespace corvane
