#include "core/outcome_move.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <tuple>

#include "platform/shared_files.h"
#include "support/hot_folder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using platform::MoveOutcome;

const auto kNeverStop = [] { return false; };

// Every file in `folder` with its content; none for a missing folder.
Files FilesIn(const std::string& folder) {
  Files files;
  std::error_code missing;
  for (const auto& entry : fs::directory_iterator(folder, missing)) {
    files[entry.path().filename().string()] = test::ReadFile(entry.path().string());
  }
  return files;
}

platform::FileIdentity IdentityOf(const std::string& path) {
  return platform::IdentityOfEntry(path)->id;
}

class OutcomeMoveTest : public ::testing::Test, protected test::HotFolder {};

// Exit code 0 sends the file to the success folder (made with its parents);
// any other end of a waited command to the failure folder; a command left
// running may still use it, so it stays.
TEST_F(OutcomeMoveTest, TheCommandsEndDecidesWhereTheFileGoes) {
  point.successFolder = dir.File("done/ok/");
  point.failureFolder = dir.File("failed/");
  // The command, its wait, whether it is ended after the wait, and the
  // folder below dir the file lands in.
  // clang-format off
  const std::tuple<const char*, std::int32_t, bool, const char*> cases[] = {
      {"true", 0, false, "done/ok"}, {"false", 0, false, "failed"},
      {"sh -c 'kill -9 $$'", 0, false, "failed"}, {"sleep 5", 100, true, "failed"},
      {"no-such-program-of-corvane", 0, false, "failed"}, {"sleep 1", 100, false, "in"}};
  // clang-format on
  for (const auto& [command, wait, terminate, folder] : cases) {
    dir.Write("in/a.txt", command);
    point.command = command;
    point.wait = wait;
    point.terminate = terminate;
    runner.RunCommand(in + "/", "a.txt", point);
    const std::string landed = dir.File(folder) + "/a.txt";
    EXPECT_EQ(test::ReadFile(landed), command);
    fs::remove(landed);
  }
  EXPECT_TRUE(Logged("Debug ] '" + in + "/a.txt' stays where it is"));
  EXPECT_TRUE(Logged("Info ] '" + in + "/a.txt' moved to '" + dir.File("failed/a.txt") + "'."));
}

// A taken name is never replaced: the number goes before the extension, or
// at the end of a name without one.
TEST_F(OutcomeMoveTest, ATakenNameGetsTheNextFreeNumber) {
  const std::string folder = dir.File("ok/");
  const std::vector<std::string> cases[] = {
      {"a.pdf", "a (2).pdf", "a (3).pdf"},
      {"archive.tar.gz", "archive.tar (2).gz", "archive.tar (3).gz"},
      {".profile", ".profile (2)", ".profile (3)"},
      {"README", "README (2)", "README (3)"},
  };
  for (const std::vector<std::string>& names : cases) {
    fs::remove_all(folder);
    Files expected;
    for (const std::string& name : names) {  // each file holds the name it should get
      const std::string file = dir.Write("in/" + names[0], name);
      EXPECT_EQ(MoveIntoFolder(log, file, IdentityOf(file), folder, kNeverStop), folder + name);
      expected[name] = name;
    }
    EXPECT_EQ(FilesIn(folder), expected);
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
  EXPECT_EQ(FilesIn(folder), (Files{{"a.txt", "taken"}}));

  EXPECT_EQ(MoveIntoFolder(log, file, IdentityOf(file), folder, kNeverStop, acrossDevices),
            folder + "a (2).txt");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(FilesIn(folder), (Files{{"a (2).txt", "content"}, {"a.txt", "taken"}}));
  EXPECT_EQ(fs::status(folder + "a (2).txt").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::remove_all(shm);
}

// Only the file handed over is moved: one that is gone is told at Info, and
// whatever took its name (another file, a link to a file elsewhere) stays.
TEST_F(OutcomeMoveTest, AFileGoneOrReplacedIsNotMoved) {
  const std::string elsewhere = dir.Write("elsewhere.txt", "secret");
  const std::string file = in + "/a.txt";
  const std::string replaced =
      "Warning ] '" + file + "' is no longer the file that was handed over";
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { fs::remove(file); }, "   Info ] '" + file + "' is gone; there is"},
      {[&] { fs::rename(dir.Write("in/new", "new"), file); }, replaced},
      {[&] { fs::remove(file), fs::create_symlink(elsewhere, file); }, replaced},
  };
  for (const auto& [meanwhile, logged] : cases) {
    const platform::FileIdentity handedOver = IdentityOf(dir.Write("in/a.txt", "handed over"));
    meanwhile();
    EXPECT_EQ(MoveIntoFolder(log, file, handedOver, dir.File("ok/"), kNeverStop), "");
    EXPECT_TRUE(Logged(logged)) << logged;
    EXPECT_EQ(FilesIn(dir.File("ok")), Files{});
    fs::remove(file);
  }
  EXPECT_EQ(test::ReadFile(elsewhere), "secret");
}

// Each way, forced on a file system that knows them all, moves only to a
// free name, replaces nothing and leaves no reservation behind.
TEST_F(OutcomeMoveTest, EveryWayOfRenamingMovesOnlyToAFreeName) {
  fs::create_directory(dir.File("ok"));
  const auto from = platform::OpenDirectory(in), to = platform::OpenDirectory(dir.File("ok"));
  // The contents of "a" in in/ and ok/ before (none: missing), the outcome,
  // and both folders after.
  const std::tuple<const char*, const char*, MoveOutcome, Files, Files> cases[] = {
      {"new", nullptr, MoveOutcome::Moved, {}, {{"a", "new"}}},
      {"new", "old", MoveOutcome::TargetTaken, {{"a", "new"}}, {{"a", "old"}}},
      {nullptr, nullptr, MoveOutcome::SourceGone, {}, {}},
  };
  using enum platform::NoReplaceWay;
  for (const platform::NoReplaceWay way : {Rename, Link, Reservation}) {
    for (const auto& [source, target, outcome, sourceAfter, targetAfter] : cases) {
      SCOPED_TRACE(testing::Message() << "way " << int(way) << ", outcome " << int(outcome));
      if (source) dir.Write("in/a", source);
      if (target) dir.Write("ok/a", target);
      const platform::Result<MoveOutcome> moved =
          platform::MoveWithoutReplacing(from->get(), "a", to->get(), "a", way);
      ASSERT_TRUE(moved) << moved.error().text;
      EXPECT_EQ(*moved, outcome);
      EXPECT_EQ(FilesIn(in), sourceAfter);
      EXPECT_EQ(FilesIn(dir.File("ok")), targetAfter);
      fs::remove(in + "/a"), fs::remove(dir.File("ok/a"));
    }
  }
}

}  // namespace
}  // namespace corvane
