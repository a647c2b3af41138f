#include <fcntl.h>
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QThread>
#include <filesystem>
#include <fstream>

#include "core/change_source.h"
#include "core/change_watch.h"
#include "platform/directory_listing.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TempDir;

class ChangeEventsTest : public ::testing::Test {
 protected:
  // Reads until an event of `kind` for `watch` arrives (or a few seconds pass).
  bool Sees(int watch, ChangeKind kind) {
    const QDeadlineTimer deadline(5000);
    std::vector<ChangeEvent> events;
    while (!deadline.hasExpired()) {
      source->Read(events);
      for (const ChangeEvent& event : events) {
        if (event.watch == watch && event.kind == kind) return true;
      }
      QThread::msleep(5);
    }
    return false;
  }
  int WatchOf(const std::string& directory) {
    const WatchResult watch = source->Add(directory);
    EXPECT_TRUE(watch) << directory;
    return watch ? *watch : -1;
  }

  const TempDir dir;
  const std::unique_ptr<ChangeSource> source = MakeSystemChangeSource();
};

// Files written, new and deleted directories are seen by the end-to-end
// tests; moves are not.
TEST_F(ChangeEventsTest, AFileMovedInIsCompletedAndTheDirectoryMovedAwayIsGone) {
  fs::create_directory(dir.File("in"));
  dir.Write("elsewhere.txt", "x");
  ASSERT_GE(source->Descriptor(), 0);
  const int watch = WatchOf(dir.File("in/"));
  fs::rename(dir.File("elsewhere.txt"), dir.File("in/f.txt"));
  EXPECT_TRUE(Sees(watch, ChangeKind::Completed));
  // A file watched for its close: a reader's counts too.
  const WatchResult file = source->AddFile(dir.File("in/f.txt"));
  ASSERT_TRUE(file);
  std::ifstream(dir.File("in/f.txt")).close();
  EXPECT_TRUE(Sees(*file, ChangeKind::Completed));
  fs::rename(dir.File("in"), dir.File("renamed"));
  EXPECT_TRUE(Sees(watch, ChangeKind::Gone));
}

TEST_F(ChangeEventsTest, LinksAndFilesAreNeverWatchedAndTheDescriptorIsNotInherited) {
  fs::create_directory(dir.File("real"));
  fs::create_directory_symlink(dir.File("real"), dir.File("link"));
  for (const char* name : {"link", "real/missing"}) {
    const WatchResult watch = source->Add(dir.File(name));
    EXPECT_TRUE(!watch && watch.error() == WatchFailure::NotADirectory) << name;
  }
  // The same directory twice is one watch.
  EXPECT_EQ(WatchOf(dir.File("real/")), WatchOf(dir.path() + "/./real/"));
  EXPECT_NE(::fcntl(source->Descriptor(), F_GETFD) & FD_CLOEXEC, 0);
}

// A link inside the tree, to a directory outside it, is never watched:
// nothing written there wakes the point.
TEST_F(ChangeEventsTest, ALinkBelowThePointIsNeverFollowed) {
  fs::create_directories(dir.File("in/sub"));
  fs::create_directory(dir.File("outside"));
  fs::create_directory_symlink(dir.File("outside"), dir.File("in/sub/link"));
  fs::create_directory_symlink(dir.File("in"), dir.File("link-to-in"));
  ChangeWatch watch(*source, {}, {});
  ObservationPoint point;
  point.directory = dir.File("link-to-in/");  // named by the observation file: followed
  point.interval = 60;
  point.watch = true;
  watch.Arm({point});
  dir.Write("outside/x.txt", "x");
  QThread::msleep(50);
  const auto later = std::chrono::steady_clock::now() + 1s;
  watch.TakeEvents(later);
  EXPECT_TRUE(watch.Due(later + 1s).empty());
  dir.Write("in/sub/y.txt", "y");
  QThread::msleep(50);
  watch.TakeEvents(later);
  EXPECT_FALSE(watch.Due(later + 1s).empty());
}

// The exclusive test of every check looks at the files it may hand on; it
// must not wake the point again by that, or a file held open would keep
// its point busy.
TEST_F(ChangeEventsTest, TheExclusiveTestRaisesNoChangeEvent) {
  const std::string file = dir.Write("held.txt", "x");
  const int watch = WatchOf(dir.path());
  const platform::DirectoryListing listing(dir.path());
  const auto exclusive = [&] {
    platform::ForeignOpenFiles foreign;
    const auto status = listing.Status("held.txt");
    return status &&
           listing.TestExclusive("held.txt", *status, foreign) == platform::Exclusive::Yes;
  };
  {
    std::ofstream writer(file, std::ios::app);
    EXPECT_FALSE(exclusive());
  }
  EXPECT_TRUE(Sees(watch, ChangeKind::Completed));  // the writer's close
  EXPECT_TRUE(exclusive());
  QThread::msleep(50);
  std::vector<ChangeEvent> events;
  source->Read(events);
  EXPECT_TRUE(events.empty());
}

}  // namespace
}  // namespace corvane
