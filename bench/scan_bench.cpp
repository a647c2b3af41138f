// Directory scan, each against a peer measured in the same run, in
// alternating rounds so that a busy machine slows both alike:
// - one check of a tree of 100,000 files in 1,000 directories where no name
//   matches, against find(1) looking for the same pattern in the same tree
//   (target: a ratio of at most 1.5);
// - one check that hands 1,000 qualifying files to a waited /bin/true,
//   against a plain posix_spawn + waitpid loop over as many commands
//   (target: a ratio of at most 1.3).

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/child_reaper.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/directory_scan.h"
#include "core/hosts/desktop_host.h"
#include "core/hosts/log_view.h"
#include "core/log.h"
#include "core/run_command.h"
#include "lang/language.h"

namespace {

using namespace corvane;
using Steady = std::chrono::steady_clock;

constexpr int kDirectories = 1000;
constexpr int kFilesPerDirectory = 100;
constexpr int kScanRounds = 10;
constexpr double kScanTarget = 1.5;
constexpr int kCommands = 1000;
constexpr int kCommandRounds = 5;
constexpr double kCommandTarget = 1.3;
const char* const kProgram = "/bin/true";

class NullView final : public LogView {
 public:
  void AddItem(const std::string&, bool) override {}
  void ScrollToBottom() override {}
  void Clear() override {}
};

class NullDesktop final : public DesktopHost {
 public:
  bool IsWindowVisible() const override { return true; }
  bool fShowBalloonTip(const std::string&, int, BalloonType) override { return false; }
};

// Runs argv (looked up in PATH) to its end with its output thrown away;
// false when it failed.
bool SpawnAndWait(std::vector<const char*> argv) {
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int started = ::posix_spawnp(&pid, argv[0], &actions, nullptr,
                                     const_cast<char* const*>(argv.data()), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return started == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

void Touch(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

Steady::duration Time(const std::function<void()>& step) {
  const auto start = Steady::now();
  step();
  return Steady::now() - start;
}

// Rounds of both, the order swapped every round; a burst of load from
// elsewhere then spoils single rounds, and the median ratio ignores them.
struct Comparison {
  Steady::duration ours{};
  Steady::duration peer{};
  std::vector<double> ratios;
};

Comparison Compare(int rounds, const std::function<void()>& ours,
                   const std::function<void()>& peer) {
  Comparison c;
  for (int round = 0; round < rounds; ++round) {
    Steady::duration a{};
    Steady::duration b{};
    if (round % 2 == 0) {
      a = Time(ours);
      b = Time(peer);
    } else {
      b = Time(peer);
      a = Time(ours);
    }
    c.ours += a;
    c.peer += b;
    c.ratios.push_back(Seconds(a) / Seconds(b));
  }
  return c;
}

void Print(const char* what, const char* peerName, Comparison c, double target) {
  std::sort(c.ratios.begin(), c.ratios.end());
  const double ratio = c.ratios[c.ratios.size() / 2];
  std::printf("  %-26s %8.3f s\n  %-26s %8.3f s\n", what, Seconds(c.ours), peerName,
              Seconds(c.peer));
  std::printf("  ratio, median of rounds   %8.3f    (target <= %.1f: %s)\n", ratio, target,
              ratio <= target ? "met" : "missed");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::string root = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
  if (!::mkdtemp(root.data())) {
    std::perror("scan_bench: mkdtemp");
    return 1;
  }
  const std::string tree = root + "/tree/";
  const std::string ready = root + "/ready/";
  ::mkdir(tree.c_str(), 0755);
  ::mkdir(ready.c_str(), 0755);
  char name[32];
  for (int d = 0; d < kDirectories; ++d) {
    std::snprintf(name, sizeof name, "d%03d/", d);
    ::mkdir((tree + name).c_str(), 0755);
    for (int f = 0; f < kFilesPerDirectory; ++f) {
      std::snprintf(name, sizeof name, "d%03d/f%03d.dat", d, f);
      Touch(tree + name);
    }
  }
  for (int f = 0; f < kCommands; ++f) {
    std::snprintf(name, sizeof name, "f%04d.txt", f);
    Touch(ready + name);
  }

  DaemonState state;  // log level Info: the Debug lines are made but not shown
  Language language;
  NullView view;
  NullDesktop desktop;
  SystemClock clock;
  Log log(state, language, view, desktop, clock);
  ChildReaper reaper;
  CommandRunner runner(log, state, reaper);
  DirectoryScanner scanner(state, log, clock, runner);
  ObservationPoint point;
  point.Name = "Bench";
  point.FilePattern = "*.txt";
  point.Command = kProgram;  // no argument: with one, true(1) looks at its locale
  point.Wait = 0;

  bool ok = true;
  std::int32_t count = 0;
  const auto scanTree = [&] {
    point.Directory = tree;
    scanner.fCheckDirectory(count, tree, point);
    ok = ok && count == CheckStatus::NothingQualified;
  };
  const auto findTree = [&] { ok = SpawnAndWait({"find", tree.c_str(), "-name", "*.txt"}) && ok; };
  const auto scanReady = [&] {
    point.Directory = ready;
    scanner.fCheckDirectory(count, ready, point);
    ok = ok && count == kCommands;
  };
  const auto spawnLoop = [&] {
    for (int i = 0; i < kCommands; ++i) ok = SpawnAndWait({kProgram}) && ok;
  };

  Time(scanTree);  // warm-up: directory caches, dynamic loader, Qt's dispatcher
  Time(findTree);
  const Comparison scan = Compare(kScanRounds, scanTree, findTree);
  Time(scanReady);
  const Comparison commands = Compare(kCommandRounds, scanReady, spawnLoop);
  std::filesystem::remove_all(root);
  if (!ok || point.lFailed != 0) {
    std::fprintf(stderr, "scan_bench: a check or a peer did not do what was asked\n");
    return 1;
  }

  std::printf("%d checks of %d files in %d directories, no name matching:\n", kScanRounds,
              kDirectories * kFilesPerDirectory, kDirectories);
  Print("fCheckDirectory", "find -name", scan, kScanTarget);
  std::printf("%d checks of %d qualifying files, %s waited for each:\n", kCommandRounds, kCommands,
              kProgram);
  Print("fCheckDirectory", "posix_spawn + waitpid", commands, kCommandTarget);
  return 0;
}
