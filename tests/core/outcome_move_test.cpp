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
  for (const auto& entry : fs::directory_iterator(folder, missing))
    files[entry.path().filename().string()] = test::ReadFile(entry.path().string());
  return files;
}

platform::FileIdentity IdentityOf(const std::string& path) {
  return platform::IdentityOfEntry(path)->id;
}

class OutcomeMoveTest : public ::testing::Test, protected test::HotFolder {};

// A taken name is never replaced: the number goes before the extension, or
// at the end of a name without one. The folder is made with its parents.
// Across file systems the file is copied, its mode too, and the original
// removed only then; a copy broken off by a stop leaves nothing behind.
TEST_F(OutcomeMoveTest, ATakenNameGetsTheNextFreeNumberAlsoAcrossFileSystems) {
  std::string shm = "/dev/shm/corvane-test-XXXXXX";
  const bool otherDevice = ::mkdtemp(shm.data()) && IdentityOf(shm).device != IdentityOf(in).device;
  const RenameFunction acrossDevices = [&](const std::string& from, const std::string& to) {
    return otherDevice ? platform::RenameWithoutReplacing(from, to)
                       : platform::Result<void>(platform::SystemFailure(EXDEV));
  };
  const std::vector<std::string> cases[] = {
      {"a.pdf", "a (2).pdf", "a (3).pdf"},
      {"archive.tar.gz", "archive.tar (2).gz", "archive.tar (3).gz"},
      {".profile", ".profile (2)", ".profile (3)"},
      {"README", "README (2)", "README (3)"},
  };
  const std::string acrossFolder = otherDevice ? shm + "/ok/" : dir.File("done/ok/");
  const std::string stopped = dir.Write("in/a.txt", "content");
  EXPECT_EQ(
      MoveIntoFolder(
          log, stopped, IdentityOf(stopped), acrossFolder, [] { return true; }, acrossDevices),
      "");
  EXPECT_TRUE(Logged("Error ] Could not move '" + stopped + "' to " + acrossFolder +
                     ": the daemon stops."));
  EXPECT_EQ(std::tuple(FilesIn(acrossFolder), FilesIn(in)),
            std::tuple(Files{}, Files{{"a.txt", "content"}}));
  fs::remove(stopped);
  for (const bool across : {false, true}) {
    const std::string folder = across ? acrossFolder : dir.File("done/ok/");
    for (const std::vector<std::string>& names : cases) {
      fs::remove_all(folder);
      Files expected;
      for (const std::string& name : names) {  // each file holds the name it should get
        const std::string file = dir.Write("in/" + names[0], name);
        ::chmod(file.c_str(), 0640);
        EXPECT_EQ(MoveIntoFolder(log, file, IdentityOf(file), folder, kNeverStop,
                                 across ? acrossDevices : platform::RenameWithoutReplacing),
                  folder + name);
        expected[name] = name;
      }
      EXPECT_EQ(
          std::tuple(FilesIn(folder), FilesIn(in), fs::status(folder + names[1]).permissions()),
          std::tuple(expected, Files{},
                     fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read));
    }
  }
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
      EXPECT_EQ(std::tuple(*moved, FilesIn(in), FilesIn(dir.File("ok"))),
                std::tuple(outcome, sourceAfter, targetAfter));
      fs::remove(in + "/a"), fs::remove(dir.File("ok/a"));
    }
  }
}

}  // namespace
}  // namespace corvane
