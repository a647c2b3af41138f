#include "core/directory_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <initializer_list>

#include "core/child_reaper.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/run_command.h"
#include "lang/language.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class FixedClock final : public Clock {
 public:
  QDateTime Now() const override { return now; }
  QDateTime now{QDate(2026, 3, 5), QTime(12, 0)};
};

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

// Each handled file's path is appended to `handled`, NUL-terminated, by a
// real command that the scan waits for.
class DirectoryScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.iLogLevel = LogLevel::Debug;
    fs::create_directory(in);
    point.Directory = in + "/";
    point.Name = "scan";
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
    for (std::size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1) {
      names.push_back(all.substr(at + point.Directory.size(), end - at - point.Directory.size()));
    }
    std::sort(names.begin(), names.end());
    fs::remove(record);
    return names;
  }
  // Messages at Warning and Error since the last call, without stamps, sorted.
  Names Warnings() {
    Names lines;
    for (const auto& text : view.Texts()) {
      if (text.find("Warning ]") != std::string::npos || text.find("Error ]") != std::string::npos)
        lines.push_back(text.substr(text.find(" ] ") + 3));
    }
    view.items.clear();
    std::sort(lines.begin(), lines.end());
    return lines;
  }
  static std::string NoAccess(const std::string& name) {
    return "Exclusive access to '" + name + "' not granded. Will retry in 7 sec.";
  }

  test::TempDir dir;
  const std::string in = dir.File("in");
  const std::string record = dir.File("handled");
  DaemonState state;
  Language language;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  FixedClock clock;
  Log log{state, language, view, desktop, clock};
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  DirectoryScanner scanner{state, log, clock, runner};
  ObservationPoint point;
};

// A process that holds `path` open as the shell redirection says, optionally
// under an exclusive flock, until it is killed.
class Holder {
 public:
  Holder(const std::string& redirection, const std::string& path, bool lock = false) {
    process_.start(
        "sh", {"-c",
               QString::fromStdString("exec 3" + redirection + "\"$0\"" +
                                      (lock ? "; flock 3" : "") + "; echo ready; exec sleep 120"),
               QString::fromStdString(path)});
    while (!process_.readAllStandardOutput().contains("ready")) {
      if (!process_.waitForReadyRead(60000)) break;
    }
  }
  ~Holder() {
    process_.kill();
    process_.waitForFinished(60000);
  }

 private:
  QProcess process_;
};

TEST_F(DirectoryScanTest, AttributesDecideWhichEntriesReachTheCommand) {
  Put("plain.txt");
  Put(".hidden.txt");
  Put("readonly.txt", 0444);
  ASSERT_EQ(::mkfifo((in + "/pipe.txt").c_str(), 0644), 0);
  if (::mknod((in + "/dev.txt").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
    fs::create_symlink("/dev/null", in + "/dev.txt");  // no right to make nodes
  }
  fs::create_symlink(in + "/missing", in + "/dangling.txt");
  fs::create_symlink("loop.txt", in + "/loop.txt");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string sockPath = in + "/sock.txt";
  ASSERT_LT(sockPath.size(), sizeof address.sun_path);
  sockPath.copy(address.sun_path, sockPath.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  // Each flag turned from its default, one at a time.
  const std::pair<bool ObservationPoint::*, Names> cases[] = {
      {nullptr, {"plain.txt"}},
      {&ObservationPoint::Hidden, {".hidden.txt", "plain.txt"}},
      {&ObservationPoint::Readonly, {"plain.txt", "readonly.txt"}},
      {&ObservationPoint::System,
       {"dangling.txt", "dev.txt", "loop.txt", "pipe.txt", "plain.txt", "sock.txt"}},
      {&ObservationPoint::Archive, {"plain.txt"}},  // Linux files carry no archive bit
      {&ObservationPoint::Compressed, {"plain.txt"}},
  };
  point.Exclusive = false;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const ObservationPoint defaults = point;
    if (const auto flag = cases[i].first) point.*flag = !(point.*flag);
    Check();
    point = defaults;
    EXPECT_EQ(Handled(), cases[i].second) << "case " << i;
  }
  EXPECT_TRUE(Warnings().empty());

  // Everything allowed, but only a regular writable file can be had
  // exclusively. None of the others is opened: opening the FIFO to read
  // would block here.
  point.Exclusive = point.Hidden = point.Readonly = point.System = true;
  EXPECT_EQ(Check(), 2);
  EXPECT_EQ(Handled(), (Names{".hidden.txt", "plain.txt"}));
  EXPECT_EQ(Warnings(),
            (Names{NoAccess("dangling.txt"), NoAccess("dev.txt"), NoAccess("loop.txt"),
                   NoAccess("pipe.txt"), NoAccess("readonly.txt"), NoAccess("sock.txt")}));
  ::close(sock);
}

TEST_F(DirectoryScanTest, FilesAnotherProcessHoldsWaitUntilItLetsGo) {
  Put("free.txt");
  const std::string writing = Put("writing.txt");
  const std::string reading = Put("reading.txt");
  const std::string locked = Put("locked.txt");
  const std::string foreign = Put("foreign.txt");
  point.Readonly = true;
  Put("readonly.txt", 0444);
  {
    const Holder writer(">>", writing);
    const Holder reader("<", reading);
    const Holder locker("<", locked, true);
    const Holder other(">>", foreign);
    EXPECT_EQ(Check(), 1);
    EXPECT_EQ(Handled(), Names{"free.txt"});
    EXPECT_EQ(Warnings(),
              (Names{NoAccess("foreign.txt"), NoAccess("locked.txt"), NoAccess("reading.txt"),
                     NoAccess("readonly.txt"), NoAccess("writing.txt")}));

    // Where the system refuses a lease (a file of another owner, without
    // the right to lease it), the other process's descriptor still counts.
    if (::geteuid() == 0 && ::chown(foreign.c_str(), 65534, 65534) == 0) {
      const WithoutCapabilities noLease({CAP_LEASE});
      ASSERT_TRUE(noLease.ok());
      Check();
      EXPECT_EQ(Handled(), Names{"free.txt"});
      EXPECT_EQ(Warnings().size(), 5u);
    }
  }
  EXPECT_EQ(Check(), 5);
  EXPECT_EQ(Handled(),
            (Names{"foreign.txt", "free.txt", "locked.txt", "reading.txt", "writing.txt"}));
  EXPECT_EQ(Warnings(), Names{NoAccess("readonly.txt")});
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
  EXPECT_EQ(Warnings(), Names{NoAccess("young-readonly.txt")});
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
  EXPECT_EQ(Warnings(), Names{NoAccess("folder.d")});
}

TEST_F(DirectoryScanTest, EachCheckLooksAfreshAndCounts) {
  EXPECT_EQ(Check(), CheckStatus::NothingQualified);
  Put("a.txt");
  Put("b.txt");
  Put("readme");  // no dot: never matches "*.*"
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Check(), 2);
    EXPECT_EQ(Handled(), (Names{"a.txt", "b.txt"}));
  }
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
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(DirectoryScanTest, AnyBytesOfANameReachTheCommandUnchanged) {
  const Names names = {"bad\xff\xfe.txt", "line\nbreak.txt", "quote' \"$(touch x).txt",
                       "tab\tand space.txt"};
  for (const std::string& name : names) Put(name);
  EXPECT_EQ(Check(), 4);
  EXPECT_EQ(Handled(), names);
}

TEST_F(DirectoryScanTest, AHundredThousandFilesInOneDirectoryAreEachLookedAtOnce) {
  Names matching;
  for (int i = 0; i < 100000; ++i) {
    const std::string name = std::to_string(i) + (i % 1000 == 7 ? ".txt" : ".dat");
    const int fd = ::open((in + "/" + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    if (name.ends_with(".txt")) matching.push_back(name);
  }
  point.FilePattern = "*.txt";
  std::sort(matching.begin(), matching.end());
  EXPECT_EQ(Check(), 100);
  EXPECT_EQ(Handled(), matching);
}

}  // namespace
}  // namespace corvane
