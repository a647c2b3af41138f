#include "core/outcome_move.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/child_reaper.h"
#include "core/directory_scan.h"
#include "core/run_command.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const auto kNeverStop = [] { return false; };

// The names in a folder, sorted; none for a missing folder.
Names Listed(const std::string& folder) {
  Names names;
  std::error_code missing;
  for (const auto& entry : fs::directory_iterator(folder, missing)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

platform::FileIdentity IdentityOf(const std::string& path) {
  return platform::IdentityOfEntry(path)->id;
}

class OutcomeMoveTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  OutcomeMoveTest() {
    fs::create_directory(in);
    point.directory = in + "/";
    point.wait = 0;
    point.successFolder = dir.File("ok/");
    point.failureFolder = dir.File("failed/");
  }

  test::TempDir dir;
  const std::string in = dir.File("in");
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  ObservationPoint point;
};

// Exit code 0 sends the file to the success folder (made with its parents);
// any other end of a waited command to the failure folder; a command left
// running may still use it, so it stays.
TEST_F(OutcomeMoveTest, TheCommandsEndDecidesWhereTheFileGoes) {
  point.successFolder = dir.File("done/ok/");
  const struct {
    const char* command;
    std::int32_t wait;
    bool terminate;
    const char* folder;  // relative to dir
  } cases[] = {
      {"true", 0, false, "done/ok"},
      {"false", 0, false, "failed"},
      {"sh -c 'kill -9 $$'", 0, false, "failed"},
      {"sleep 5", 100, true, "failed"},
      {"no-such-program-of-corvane", 0, false, "failed"},
      {"sleep 1", 100, false, "in"},
  };
  for (const auto& c : cases) {
    dir.Write("in/a.txt", c.command);
    point.command = c.command;
    point.wait = c.wait;
    point.terminate = c.terminate;
    runner.RunCommand(in + "/", "a.txt", point);
    const std::string landed = dir.File(c.folder) + "/a.txt";
    EXPECT_EQ(test::ReadFile(landed), c.command);
    fs::remove(landed);
  }
  EXPECT_TRUE(Logged("Debug ] '" + in + "/a.txt' stays where it is"));
  EXPECT_TRUE(Logged("Info ] '" + in + "/a.txt' moved to '" + dir.File("failed/a.txt") + "'."));
}

// A taken name is never replaced: the number goes before the extension, or
// at the end of a name without one.
TEST_F(OutcomeMoveTest, ATakenNameGetsTheNextFreeNumber) {
  const std::string folder = dir.File("ok/");
  const std::pair<std::string, Names> cases[] = {
      {"a.pdf", {"a (2).pdf", "a (3).pdf", "a.pdf"}},
      {"archive.tar.gz", {"archive.tar (2).gz", "archive.tar (3).gz", "archive.tar.gz"}},
      {".profile", {".profile", ".profile (2)", ".profile (3)"}},
      {"README", {"README", "README (2)", "README (3)"}},
  };
  for (const auto& [name, expected] : cases) {
    fs::remove_all(folder);
    for (const std::string content : {"1", "2", "3"}) {
      const std::string file = dir.Write("in/" + name, content);
      const std::string moved = MoveIntoFolder(log, file, IdentityOf(file), folder, kNeverStop);
      EXPECT_EQ(test::ReadFile(moved), content) << moved;
    }
    EXPECT_EQ(Listed(folder), expected);
  }
}

// Across file systems the file is copied and the original removed only then;
// the copy takes a free name too. A copy broken off leaves nothing behind.
TEST_F(OutcomeMoveTest, AcrossFileSystemsTheFileIsCopiedThenRemoved) {
  std::string shm = "/dev/shm/corvane-test-XXXXXX";
  const bool otherDevice = ::mkdtemp(shm.data()) && IdentityOf(shm).device != IdentityOf(in).device;
  const std::string folder = otherDevice ? shm + "/" : dir.File("ok/");
  const RenameFunction acrossDevices = [&](const std::string& from, const std::string& to) {
    return otherDevice ? platform::RenameWithoutReplacing(from, to)
                       : platform::Result<void>(platform::SystemFailure(EXDEV));
  };
  fs::create_directories(folder);
  std::ofstream(folder + "a.txt") << "taken";
  const std::string file = dir.Write("in/a.txt", "content");
  ::chmod(file.c_str(), 0640);

  EXPECT_EQ(MoveIntoFolder(
                log, file, IdentityOf(file), folder, [] { return true; }, acrossDevices),
            "");
  EXPECT_TRUE(Logged("Error ] Could not move '" + file + "' to " + folder + ": the daemon stops."));
  EXPECT_EQ(Listed(folder), Names{"a.txt"});

  EXPECT_EQ(MoveIntoFolder(log, file, IdentityOf(file), folder, kNeverStop, acrossDevices),
            folder + "a (2).txt");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(test::ReadFile(folder + "a (2).txt"), "content");
  EXPECT_EQ(fs::status(folder + "a (2).txt").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Listed(folder), (Names{"a (2).txt", "a.txt"}));
  if (otherDevice) fs::remove_all(shm);
}

// Only the file handed over is moved: one that is gone is told at Info, and
// whatever took its name (another file, a link to a file elsewhere) stays.
TEST_F(OutcomeMoveTest, AFileGoneOrReplacedIsNotMoved) {
  const std::string elsewhere = dir.Write("elsewhere.txt", "secret");
  const struct {
    std::function<void(const std::string&)> meanwhile;
    const char* logged;
  } cases[] = {
      {[](const std::string& file) { fs::remove(file); }, "   Info ] '%' is gone; there is"},
      {[&](const std::string& file) { fs::rename(dir.Write("in/new", "new"), file); },
       "Warning ] '%' is no longer the file that was handed over"},
      {[&](const std::string& file) { fs::remove(file), fs::create_symlink(elsewhere, file); },
       "Warning ] '%' is no longer the file that was handed over"},
  };
  for (const auto& c : cases) {
    const std::string file = dir.Write("in/a.txt", "handed over");
    const platform::FileIdentity handedOver = IdentityOf(file);
    c.meanwhile(file);
    EXPECT_EQ(MoveIntoFolder(log, file, handedOver, dir.File("ok/"), kNeverStop), "");
    std::string logged = c.logged;
    EXPECT_TRUE(Logged(logged.replace(logged.find('%'), 1, file))) << logged;
    EXPECT_EQ(Listed(dir.File("ok")), Names{});
    fs::remove(file);
  }
  EXPECT_EQ(test::ReadFile(elsewhere), "secret");
}

// The success folder inside the point's tree is where handled files rest:
// the next check does not hand them over again.
TEST_F(OutcomeMoveTest, AFolderInsideTheTreeIsNotScanned) {
  DirectoryScanner scanner{state, log, clock, runner};
  point.command = "true";
  point.filePattern = "*.txt";
  point.successFolder = in + "/done/";
  dir.Write("in/a.txt", "");
  EXPECT_EQ(scanner.CheckDirectory(point.directory, point).handled, 1);
  EXPECT_EQ(Listed(in + "/done"), Names{"a.txt"});
  EXPECT_EQ(scanner.CheckDirectory(point.directory, point).handled, 0);
}

}  // namespace
}  // namespace corvane
