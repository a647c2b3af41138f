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

// Reads until an event of `kind` for `watch` arrives (or a few seconds pass).
bool Sees(ChangeSource& source, int watch, ChangeKind kind) {
  const QDeadlineTimer deadline(5000);
  std::vector<ChangeEvent> events;
  while (!deadline.hasExpired()) {
    source.Read(events);
    for (const ChangeEvent& event : events) {
      if (event.watch == watch && event.kind == kind) return true;
    }
    QThread::msleep(5);
  }
  return false;
}

int WatchOf(ChangeSource& source, const std::string& dir) {
  const WatchResult watch = source.Add(dir);
  EXPECT_TRUE(watch) << dir;
  return watch ? *watch : -1;
}

// Files written, new and deleted directories are seen by the end-to-end
// tests; moves are not.
TEST(ChangeEventsTest, AFileMovedInIsCompletedAndTheDirectoryMovedAwayIsGone) {
  const TempDir dir;
  fs::create_directory(dir.File("in"));
  dir.Write("elsewhere.txt", "x");
  const auto source = MakeSystemChangeSource();
  ASSERT_GE(source->Descriptor(), 0);
  const int watch = WatchOf(*source, dir.File("in/"));
  fs::rename(dir.File("elsewhere.txt"), dir.File("in/f.txt"));
  EXPECT_TRUE(Sees(*source, watch, ChangeKind::Completed));
  // A file watched for its close: a reader's counts too.
  const WatchResult file = source->AddFile(dir.File("in/f.txt"));
  ASSERT_TRUE(file);
  std::ifstream(dir.File("in/f.txt")).close();
  EXPECT_TRUE(Sees(*source, *file, ChangeKind::Completed));
  fs::rename(dir.File("in"), dir.File("renamed"));
  EXPECT_TRUE(Sees(*source, watch, ChangeKind::Gone));
}

TEST(ChangeEventsTest, LinksAndFilesAreNeverWatchedAndTheDescriptorIsNotInherited) {
  const TempDir dir;
  fs::create_directory(dir.File("real"));
  fs::create_directory_symlink(dir.File("real"), dir.File("link"));
  const auto source = MakeSystemChangeSource();
  for (const char* name : {"link", "real/missing"}) {
    const WatchResult watch = source->Add(dir.File(name));
    EXPECT_TRUE(!watch && watch.error() == WatchFailure::NotADirectory) << name;
  }
  // The same directory twice is one watch.
  EXPECT_EQ(WatchOf(*source, dir.File("real/")), WatchOf(*source, dir.path() + "/./real/"));
  EXPECT_NE(::fcntl(source->Descriptor(), F_GETFD) & FD_CLOEXEC, 0);
}

// A link inside the tree, to a directory outside it, is never watched:
// nothing written there wakes the point.
TEST(ChangeEventsTest, ALinkBelowThePointIsNeverFollowed) {
  const TempDir dir;
  fs::create_directories(dir.File("in/sub"));
  fs::create_directory(dir.File("outside"));
  fs::create_directory_symlink(dir.File("outside"), dir.File("in/sub/link"));
  fs::create_directory_symlink(dir.File("in"), dir.File("link-to-in"));
  const auto source = MakeSystemChangeSource();
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
TEST(ChangeEventsTest, TheExclusiveTestRaisesNoChangeEvent) {
  const TempDir dir;
  const std::string file = dir.Write("held.txt", "x");
  const auto source = MakeSystemChangeSource();
  const int watch = WatchOf(*source, dir.path());
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
  EXPECT_TRUE(Sees(*source, watch, ChangeKind::Completed));  // the writer's close
  EXPECT_TRUE(exclusive());
  QThread::msleep(50);
  std::vector<ChangeEvent> events;
  source->Read(events);
  EXPECT_TRUE(events.empty());
}

}  // namespace
}  // namespace corvane
