#include "core/directory_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "core/path_verdict.h"
#include "platform/directory_listing.h"
#include "support/hot_folder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Run by root, a test sees what a user would: the capabilities in `mask`
// are off while this lives.
struct WithoutCapabilities {
  explicit WithoutCapabilities(std::uint32_t mask) {
    EXPECT_EQ(::syscall(SYS_capget, &header, caps), 0);
    caps[0].effective &= ~(off = caps[0].effective & mask);
    EXPECT_EQ(::syscall(SYS_capset, &header, caps), 0);
  }
  ~WithoutCapabilities() {
    caps[0].effective |= off;
    EXPECT_EQ(::syscall(SYS_capset, &header, caps), 0);
  }

  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps[2]{};
  std::uint32_t off = 0;  // the capabilities taken away
};

class DirectoryScanTest : public ::testing::Test, protected test::HotFolder {
 protected:
  std::int32_t Check() {
    const CheckResult result = scanner.CheckDirectory(point.directory, point);
    EXPECT_EQ(result.status == CheckStatus::FilesHandled, result.handled > 0);
    EXPECT_NE(result.status, CheckStatus::UnexpectedError);
    return result.handled;
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

  DirectoryScanner scanner{state, log, clock, runner};
};

TEST_F(DirectoryScanTest, FilesAnotherProcessHoldsWaitUntilItLetsGo) {
  fs::create_directory_symlink(in, dir.File("via-link"));
  point.directory = dir.File("via-link/");
  Put("free.txt");
  const std::string foreign = Put("foreign.txt");
  // As root: a file of another owner and no right to lease it. The system
  // refuses the lease; the other process's descriptor still counts.
  ASSERT_TRUE(::geteuid() != 0 || ::chown(foreign.c_str(), 65534, 65534) == 0);
  {
    const WithoutCapabilities noLease(1u << CAP_LEASE);
    const test::Holder writer(">>", Put("writing.txt")), other(">>", foreign);
    EXPECT_EQ(Check(), 1);
    EXPECT_EQ(Handed(), Names{"free.txt"});
    EXPECT_EQ(Refused(), (Names{"foreign.txt", "writing.txt"}));
  }
  EXPECT_EQ(Check(), 3);
  EXPECT_EQ(Handed(), (Names{"foreign.txt", "free.txt", "writing.txt"}));
}

// The exclusive test runs whatever the age, so that its refusal is logged.
// What a watched point's check passed over is kept for the change events,
// and a file that stays busy is told once.
TEST_F(DirectoryScanTest, AgeComesFromTheFileTimeAndAWatchedPointKeepsWhatItPassedOver) {
  point.minimumAge = 10;
  point.ageUnit = "MIN";
  point.readOnly = point.watch = true;
  const std::int64_t now = clock.now.toSecsSinceEpoch();
  // clang-format off
  const std::tuple<const char*, int, mode_t> files[] = {{"old.txt", 11, 0644},
      {"young.txt", 9, 0644}, {"future.txt", -24 * 60, 0644}, {"young-readonly.txt", 1, 0444}};
  // clang-format on
  for (const auto& [name, minutesAgo, mode] : files) {
    const timespec times[2] = {{0, UTIME_OMIT}, {now - minutesAgo * 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Put(name, mode).c_str(), times, 0), 0);
  }
  {
    const test::Holder reader("<", in + "/old.txt");
    EXPECT_EQ(Check() + Check(), 0);
    EXPECT_EQ(Refused(), (Names{"old.txt", "young-readonly.txt"}));
    EXPECT_EQ(point.busyFiles.size(), 2u);
    // young.txt: the tenth minute boundary after its change, 03:05:00.
    EXPECT_EQ(point.comesOfAge, now - 5 + 60);
  }
  EXPECT_EQ(Check(), 1);
  EXPECT_EQ(Handed(), Names{"old.txt"});
  EXPECT_EQ(point.busyFiles, std::set<std::string>{in + "/young-readonly.txt"});
}

// Between the listing and the exclusive test the entry is swapped: the test
// opens nothing but the file the listing saw, and never blocks.
TEST_F(DirectoryScanTest, AnEntrySwappedAfterTheListingIsNeverHadExclusively) {
  const std::string path = in + "/swap.txt", swap = in + "/new";
  // Nothing swapped (the one case that is had), a FIFO, a link, and another
  // regular file, which is another inode.
  for (int replacement = 0; replacement < 4; ++replacement) {
    Put("swap.txt");
    platform::DirectoryListing listing(in);
    const auto listed = listing.Status("swap.txt");
    ASSERT_TRUE(listed);
    ASSERT_TRUE(replacement != 1 || ::mkfifo(swap.c_str(), 0644) == 0);
    if (replacement == 2) fs::create_symlink(dir.Write("outside.txt", ""), swap);
    if (replacement == 3) Put("new");
    if (replacement > 0) fs::rename(swap, path);
    platform::ForeignOpenFiles foreign;
    EXPECT_EQ(listing.TestExclusive("swap.txt", *listed, foreign) == platform::Exclusive::Yes,
              replacement == 0)
        << replacement;
    fs::remove(path);
  }
}

TEST_F(DirectoryScanTest, AnUnreadableDirectoryEndsOnlyItsOwnPart) {
  Put("ok.txt");
  Put("closed/inside.txt");
  ::chmod((in + "/closed").c_str(), 0);
  {
    const WithoutCapabilities asUser((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    EXPECT_EQ(Check(), 1);
  }
  ::chmod((in + "/closed").c_str(), 0755);
  EXPECT_EQ(Handed(), Names{"ok.txt"});

  // The first command removes the whole tree while the walk is in it.
  for (int i = 0; i < 20; ++i)
    Put("sub" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".txt");
  point.command =
      "sh -c 'printf \"%s\\0\" \"$1\" >> \"$0\"; rm -rf \"$2\"' " + record + " %File% %Dir%";
  EXPECT_EQ(Check(), 1);
  EXPECT_EQ(std::tuple(Handed().size(), fs::exists(in), Refused()), std::tuple(1u, false, Names{}));
}

// With the descriptor table full, neither a directory nor a file is passed
// over in silence, nor is a file called busy.
TEST_F(DirectoryScanTest, AFullDescriptorTableIsReportedAsSuch) {
  // UBSan's first look at a dynamic type, and the log's first line, may
  // open files of their own.
  Check();
  log.WriteLog("first", LogLevel::Error);
  view.items.clear();
  Put("top.txt");
  Put("sub/below.txt");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  const rlimit low{std::min<rlim_t>(256, saved.rlim_max), saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> filler;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) filler.push_back(fd);
  ::close(filler.back());  // room for the point's own directory only
  filler.pop_back();
  const std::int32_t count = Check();
  for (int fd : filler) ::close(fd);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  Names lines = Lines();
  std::sort(lines.begin(), lines.end());
  const std::string full = "no file descriptor left (the descriptor table is full).";
  EXPECT_EQ(std::pair(count, lines),
            std::pair(0, Names{"  Error ] Directory " + in + "/sub/ was not checked: " + full,
                               "  Error ] Exclusive access to 'top.txt' could not be tested: " +
                                   full + " Will retry in 7 sec."}));
}

// One entry for each rule and each place a walk stops, links to within the
// tree and out of it among them; the clock stands 11 minutes after they were
// made, and busy.txt is held open by another process.
class PathVerdictTest : public DirectoryScanTest {
 protected:
  PathVerdictTest() {
    for (const char* name : {"a.txt", ".a.txt", "readme", "run.txt", "sub/b.txt"}) Put(name);
    for (const char* name : {"sub/deep/.c.txt", "done/b.txt", "failed/b.txt"}) Put(name);
    Put("ro.txt", 0444);
    ::mkfifo((in + "/fifo.txt").c_str(), 0644);
    fs::create_directory(in + "/folder.d");
    fs::create_directory(dir.File("outside"));
    // clang-format off
    for (const auto& [target, link] : {std::pair<std::string, const char*>{"a.txt", "link.txt"},
             {"sub", "link.d"}, {"..", "sub/up.d"}, {dir.File("outside"), "out.d"},
             {dir.Write("outside/d.txt", ""), "out.txt"}})
      fs::create_symlink(target, in + "/" + link);
    // clang-format on
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
  using enum PathPlace;
  using enum FileRule;
  // clang-format off
  const std::tuple<const char*, PathPlace, FileRule> rows[] = {
      {"a.txt", Reached, None}, {"readme", Reached, Pattern}, {".a.txt", Reached, HiddenOrSystem},
      {"fifo.txt", Reached, HiddenOrSystem}, {"link.txt", Reached, HiddenOrSystem},
      {"ro.txt", Reached, Attributes}, {"run.txt", Reached, CommandRunning},
      {"young.txt", Reached, Age}, {"busy.txt", Reached, Exclusive},
      {"link.d/b.txt", NotEntered, None}, {"done/b.txt", OutcomeFolder, None},
      {"failed/b.txt", OutcomeFolder, None}, {"gone.txt", CannotSee, None},
      {"gone.d/b.txt", CannotSee, None}, {"sub", Folder, None}};
  // clang-format on
  for (const auto& [path, place, rule] : rows) {
    const std::vector<PathVerdict> verdicts = Why(in + "/" + path);
    ASSERT_EQ(verdicts.size(), 1u) << path;
    EXPECT_EQ(std::pair(verdicts[0].place, verdicts[0].file.stoppedBy), std::pair(place, rule))
        << path;
  }
}

// The check and the verdicts never disagree: what one check hands over is
// exactly what the verdicts said it would, with each flag turned from its
// default in turn. Nothing is moved meanwhile, so that every check sees the
// same tree. Whoever writes into the hot folder must not aim the command
// elsewhere: a link, to a file or a directory, inside the tree or out of it,
// is a system entry, and it is never followed.
TEST_F(PathVerdictTest, TheCheckHandsOverExactlyWhatTheVerdictsSay) {
  if (::mknod((in + "/dev.txt").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
    fs::create_symlink("/dev/null", in + "/dev.txt");  // no right to make nodes
  point.successFolder.clear();
  point.exclusive = false;
  using P = ObservationPoint;
  // The flags turned on, and what is handed over then. Last, everything
  // allowed, but only a regular writable file can be had alone. None of the
  // others is opened: opening the FIFO to read would block here.
  // clang-format off
  const std::pair<std::vector<bool P::*>, Names> cases[] = {
      {{}, {"a.txt", "busy.txt", "done/b.txt", "sub/b.txt"}},
      {{&P::hidden}, {".a.txt", "a.txt", "busy.txt", "done/b.txt", "sub/b.txt", "sub/deep/.c.txt"}},
      {{&P::readOnly}, {"a.txt", "busy.txt", "done/b.txt", "ro.txt", "sub/b.txt"}},
      {{&P::system}, {"a.txt", "busy.txt", "dev.txt", "done/b.txt", "fifo.txt", "link.d",
                      "link.txt", "out.d", "out.txt", "sub/b.txt", "sub/up.d"}},
      {{&P::exclusive, &P::hidden, &P::readOnly, &P::system, &P::noSubdirectories},
       {".a.txt", "a.txt"}}};
  // clang-format on
  for (const auto& [flags, handed] : cases) {
    const ObservationPoint before = point;
    for (bool P::*flag : flags) point.*flag = true;
    Names expected;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(in)) {
      const std::vector<PathVerdict> verdicts = Why(entry.path().string());
      if (verdicts.size() == 1 && verdicts[0].HandedOver())
        expected.push_back(entry.path().string().substr(point.directory.size()));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, handed);
    EXPECT_EQ(Check(), static_cast<std::int32_t>(handed.size()));
    EXPECT_EQ(Handed(), handed);
    point = before;
  }
}

}  // namespace
}  // namespace corvane
