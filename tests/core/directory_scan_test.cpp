#include "core/directory_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <initializer_list>

#include "core/child_reaper.h"
#include "core/run_command.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Takes capabilities out of this thread's effective set while it lives, so
// that a test run by root meets permissions as a user would.
class WithoutCapabilities {
 public:
  explicit WithoutCapabilities(std::initializer_list<int> caps) {
    if (::geteuid() != 0 || ::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct dropped[2] = {saved_[0], saved_[1]};
    for (int cap : caps) dropped[cap / 32].effective &= ~(1u << (cap % 32));
    dropped_ = ::syscall(SYS_capset, &header_, dropped) == 0;
  }
  ~WithoutCapabilities() {
    if (dropped_) ::syscall(SYS_capset, &header_, saved_);
  }
  bool ok() const { return dropped_ || ::geteuid() != 0; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};

// A process that holds `path` open as the shell redirection says until it
// is killed.
class Holder {
 public:
  Holder(const std::string& redirection, const std::string& path) {
    process_.start("sh", {"-c",
                          QString::fromStdString("exec 3" + redirection +
                                                 "\"$0\"; echo ready; exec sleep 120"),
                          QString::fromStdString(path)});
    while (!process_.readAllStandardOutput().contains("ready") &&
           process_.waitForReadyRead(60000)) {
    }
  }
  ~Holder() {
    process_.kill();
    process_.waitForFinished(60000);
  }

 private:
  QProcess process_;
};

// Each handled file's path is appended to `record`, NUL-terminated, by a
// real command that the scan waits for.
class DirectoryScanTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  DirectoryScanTest() {
    fs::create_directory(in);
    point.Directory = in + "/";
    point.Intervall = 7;
    point.Wait = 0;
    point.Command = "sh -c 'printf \"%s\\0\" \"$1\" >> \"$0\"' " + record + " %File%";
  }
  std::string Put(const std::string& name, mode_t mode = 0644) {
    const std::string path = in + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    EXPECT_GE(fd, 0) << path;
    ::close(fd);
    return path;
  }
  // One check; its count.
  std::int32_t Check() {
    std::int32_t count = 0;
    const bool handled = scanner.fCheckDirectory(count, point.Directory, point);
    EXPECT_EQ(handled, count > 0);
    return count;
  }
  // The files handled since the last call, relative to in/, sorted.
  Names Handled() {
    Names names;
    const std::string all = test::ReadFile(record);
    const std::size_t skip = point.Directory.size();
    for (std::size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1) {
      names.push_back(all.substr(at + skip, end - at - skip));
    }
    std::sort(names.begin(), names.end());
    fs::remove(record);
    return names;
  }
  // The names refused exclusive access since the last call, sorted; fails on
  // any other warning or error.
  Names Refused() {
    Names names;
    for (const std::string& line : Lines()) {
      if (line.starts_with("  Debug ]") || line.starts_with("   Info ]")) continue;
      const auto open = line.find("Exclusive access to '");
      const auto close = line.rfind("' not granded. Will retry in 7 sec.");
      EXPECT_TRUE(open != std::string::npos && close != std::string::npos) << line;
      if (open != std::string::npos) names.push_back(line.substr(open + 21, close - open - 21));
    }
    view.items.clear();
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir;
  const std::string in = dir.File("in");
  const std::string record = dir.File("handled");
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  DirectoryScanner scanner{state, log, clock, runner};
  ObservationPoint point;
};

TEST_F(DirectoryScanTest, AttributesDecideWhichEntriesReachTheCommand) {
  EXPECT_EQ(Check(), CheckStatus::NothingQualified);
  Put("plain.txt");
  Put(".hidden.txt");
  Put("readonly.txt", 0444);
  Put("readme");  // no dot: never matches "*.*"
  ASSERT_EQ(::mkfifo((in + "/pipe.txt").c_str(), 0644), 0);
  if (::mknod((in + "/dev.txt").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
    fs::create_symlink("/dev/null", in + "/dev.txt");  // no right to make nodes
  }
  fs::create_symlink(in + "/missing", in + "/dangling.txt");
  fs::create_symlink("loop.txt", in + "/loop.txt");

  // Each flag turned from its default, one at a time.
  const std::pair<bool ObservationPoint::*, Names> cases[] = {
      {nullptr, {"plain.txt"}},
      {&ObservationPoint::Hidden, {".hidden.txt", "plain.txt"}},
      {&ObservationPoint::Readonly, {"plain.txt", "readonly.txt"}},
      {&ObservationPoint::System, {"dangling.txt", "dev.txt", "loop.txt", "pipe.txt", "plain.txt"}},
      {&ObservationPoint::Archive, {"plain.txt"}},  // Linux files carry no archive bit
  };
  point.Exclusive = false;
  for (const auto& [flag, handled] : cases) {
    const ObservationPoint defaults = point;
    if (flag) point.*flag = !(point.*flag);
    Check();
    point = defaults;
    EXPECT_EQ(Handled(), handled);
  }
  EXPECT_EQ(Refused(), Names{});

  // Everything allowed, but only a regular writable file can be had
  // exclusively. None of the others is opened: opening the FIFO to read
  // would block here.
  point.Exclusive = point.Hidden = point.Readonly = point.System = true;
  EXPECT_EQ(Check(), 2);
  EXPECT_EQ(Handled(), (Names{".hidden.txt", "plain.txt"}));
  EXPECT_EQ(Refused(), (Names{"dangling.txt", "dev.txt", "loop.txt", "pipe.txt", "readonly.txt"}));
}

TEST_F(DirectoryScanTest, FilesAnotherProcessHoldsWaitUntilItLetsGo) {
  Put("free.txt");
  const std::string foreign = Put("foreign.txt");
  {
    const Holder writer(">>", Put("writing.txt"));
    const Holder reader("<", Put("reading.txt"));
    const Holder other(">>", foreign);
    EXPECT_EQ(Check(), 1);
    EXPECT_EQ(Handled(), Names{"free.txt"});
    EXPECT_EQ(Refused(), (Names{"foreign.txt", "reading.txt", "writing.txt"}));

    // Where the system refuses a lease (a file of another owner, without
    // the right to lease it), the other process's descriptor still counts.
    if (::geteuid() == 0 && ::chown(foreign.c_str(), 65534, 65534) == 0) {
      const WithoutCapabilities noLease({CAP_LEASE});
      ASSERT_TRUE(noLease.ok());
      Check();
      EXPECT_EQ(Handled(), Names{"free.txt"});
      EXPECT_EQ(Refused(), (Names{"foreign.txt", "reading.txt", "writing.txt"}));
    }
  }
  EXPECT_EQ(Check(), 4);
  EXPECT_EQ(Handled(), (Names{"foreign.txt", "free.txt", "reading.txt", "writing.txt"}));
}

TEST_F(DirectoryScanTest, AgeComesFromTheFileTimeAndTheExclusiveTestRunsRegardless) {
  point.LastChange = 10;
  point.Period = "MIN";
  point.Readonly = true;
  const auto written = [&](const std::string& name, qint64 secondsAgo, mode_t mode = 0644) {
    const timespec times[2] = {{0, UTIME_OMIT}, {clock.now.toSecsSinceEpoch() - secondsAgo, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Put(name, mode).c_str(), times, 0), 0);
  };
  written("old.txt", 11 * 60);
  written("young.txt", 9 * 60);
  written("future.txt", -24 * 3600);
  written("young-readonly.txt", 60, 0444);
  EXPECT_EQ(Check(), 1);
  EXPECT_EQ(Handled(), Names{"old.txt"});
  EXPECT_EQ(Refused(), Names{"young-readonly.txt"});
}

TEST_F(DirectoryScanTest, EveryDirectoryBelowIsEnteredOnceAndLinksNeverLoop) {
  Put("a.txt");
  Put("sub/b.txt");
  Put("sub/deep/c.txt");
  Put("folder.d/e.txt");
  fs::create_directory(dir.File("outside"));
  dir.Write("outside/d.txt", "");
  fs::create_directory_symlink(dir.File("outside"), in + "/linked");
  fs::create_directory_symlink("sub", in + "/alias");  // the same directory a second time
  fs::create_directory_symlink(".", in + "/self");
  fs::create_directory_symlink("..", in + "/sub/up");
  point.Exclusive = false;

  EXPECT_EQ(Check(), 5);
  Names names;
  for (const std::string& path : Handled()) names.push_back(fs::path(path).filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}));

  // Without sub-directories a directory is tested like a file: it matches
  // "*.*", but nobody can have it exclusively.
  point.NoSubdirs = true;
  EXPECT_EQ(Check(), 2);
  EXPECT_EQ(Handled(), (Names{"a.txt", "folder.d"}));
  point.Exclusive = true;
  EXPECT_EQ(Check(), 1);
  EXPECT_EQ(Refused(), Names{"folder.d"});
}

TEST_F(DirectoryScanTest, UnreadableOrVanishingDirectoriesEndOnlyTheirOwnPart) {
  Put("ok.txt");
  Put("closed/hidden-inside.txt");
  ::chmod((in + "/closed").c_str(), 0);
  {
    const WithoutCapabilities asUser({CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH});
    ASSERT_TRUE(asUser.ok());
    EXPECT_EQ(Check(), 1);
  }
  ::chmod((in + "/closed").c_str(), 0755);
  EXPECT_EQ(Handled(), Names{"ok.txt"});

  // The first command removes the whole tree while the walk is in it.
  for (int i = 0; i < 20; ++i)
    Put("sub" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".txt");
  point.Command =
      "sh -c 'printf \"%s\\0\" \"$1\" >> \"$0\"; rm -rf \"$2\"' " + record + " %File% %Dir%";
  EXPECT_EQ(Check(), 1);
  EXPECT_EQ(Handled().size(), 1u);
  EXPECT_FALSE(fs::exists(in));
  EXPECT_EQ(Refused(), Names{});
}

TEST_F(DirectoryScanTest, EveryFileIsLookedAtOnceAndItsNameArrivesUnchanged) {
  Names matching = {"bad\xff\xfe.txt", "line\nbreak.txt", "quote' \"$(touch x).txt"};
  for (const std::string& name : matching) Put(name);
  for (int i = 0; i < 100000; ++i) {
    const std::string name = std::to_string(i) + (i % 1000 == 7 ? ".txt" : ".dat");
    Put(name);
    if (name.ends_with(".txt")) matching.push_back(name);
  }
  point.FilePattern = "*.txt";
  std::sort(matching.begin(), matching.end());
  EXPECT_EQ(Check(), 103);
  EXPECT_EQ(Handled(), matching);
}

}  // namespace
}  // namespace corvane
