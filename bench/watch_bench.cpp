// Reacting to arrivals, measured against the floor: 1,000 files written by
// one writer, each moved away by mv, timed from the first write until the
// last file is moved. Corvane (a point woken by change events, Watch="1",
// Intervall 60) does it twice, waiting for each mv (Wait="0") and not
// waiting (Wait="-1"). In the same run, in rounds whose order rotates:
// the floors (the same files written, then mv started with posix_spawn and
// reaped, one by one for the waited job, all started and then all reaped for
// the other) and an inotifywait + bash loop (which waits for each mv).
// Targets: within 1.1 x the floor both ways, a median of under 100 ms from
// a file's close to its move, and no CPU while 10 watched points idle.

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench_support.h"

using namespace corvane::bench;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kFiles = 1000;
constexpr int kRounds = 5;
constexpr int kLatencySamples = 21;
constexpr int kIdlePoints = 10;
constexpr double kFloorTarget = 1.1;

const char* const kPeerScript =
    "inotifywait -m -q -e close_write -e moved_to --format '%w%f' \"$1\" |"
    " while IFS= read -r f; do mv -- \"$f\" \"$2\"/; done";

// A started process group, ended with SIGTERM when it goes.
class Mover {
 public:
  explicit Mover(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attr;
    ::posix_spawnattr_init(&attr);
    ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    ::posix_spawnattr_setpgroup(&attr, 0);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (::posix_spawnp(&pid_, argv[0], &actions, &attr, argv.data(), environ) != 0) pid_ = -1;
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attr);
  }
  ~Mover() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  Mover(const Mover&) = delete;
  Mover& operator=(const Mover&) = delete;
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

int CountEntries(const std::string& dir) {
  int count = 0;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) count += e->d_name[0] != '.' ? 1 : 0;
    ::closedir(d);
  }
  return count;
}

void WriteFile(const std::string& path) {
  std::ofstream(path) << "a line of content for the bench\n";
}

bool WaitFor(const std::function<bool()>& condition, Steady::duration patience = 60s) {
  const auto deadline = Steady::now() + patience;
  while (!condition()) {
    if (Steady::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

struct Tree {
  explicit Tree(const std::string& root) : in(root + "/in"), done(root + "/done") {
    fs::create_directories(in);
    fs::create_directories(done);
  }
  std::string in;
  std::string done;
};

// Proves the mover is watching: a probe file goes without any tick. It is
// written again until then, since the first may come before the watch.
bool Ready(const Tree& tree) {
  const std::string probe = tree.done + "/probe.txt";
  for (int attempt = 0; attempt < 60 && !fs::exists(probe); ++attempt) {
    WriteFile(tree.in + "/probe.txt");
    WaitFor([&] { return fs::exists(probe); }, 500ms);
  }
  const bool moved = fs::exists(probe);
  fs::remove(probe);
  return moved;
}

// The files of one round arriving in a directory, counted from its change
// events: reading a directory that grows to thousands of entries every
// millisecond would take a core from the mover being timed, and only while
// a mover watches, since the floors are done when they are waited for.
class Arrivals {
 public:
  explicit Arrivals(const std::string& dir) : fd_(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
    if (fd_ >= 0 && ::inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~Arrivals() {
    if (fd_ >= 0) ::close(fd_);
  }
  Arrivals(const Arrivals&) = delete;
  Arrivals& operator=(const Arrivals&) = delete;

  // Until `count` names starting with `prefix` have arrived; false when the
  // events cannot tell (none to be had, or the queue overflowed) or the
  // patience ran out.
  bool Await(const std::string& prefix, int count, Steady::duration patience = 60s) {
    const auto deadline = Steady::now() + patience;
    alignas(inotify_event) char buffer[64 * 1024];
    for (int seen = 0; fd_ >= 0 && seen < count;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now());
      pollfd readable{fd_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) < 0) break;
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->mask & IN_Q_OVERFLOW) return false;
        if (event->len > 0 && std::string_view(event->name).starts_with(prefix)) ++seen;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
      if (seen >= count) return true;
    }
    return false;
  }

 private:
  int fd_;
};

// One side of the job; the names differ from round to round, so done/
// needs no clearing in between.
struct Side {
  Side(const char* name, const std::string& root) : name(name), tree(root), arrivals(tree.done) {}
  const char* name;
  Tree tree;
  Arrivals arrivals;
  int rounds = 0;
  std::vector<double> seconds;

  static std::string Prefix(int round) {
    return std::string(1, 'r').append(std::to_string(round)) + '-';
  }
  std::string NextPrefix() { return tree.in + "/" + Prefix(rounds++); }
  // Until every file of the rounds so far is in done/: the events of this
  // round tell when, one reading of done/ confirms it (or waits, where the
  // events could not tell).
  void AwaitMoved() {
    arrivals.Await(Prefix(rounds - 1), kFiles);
    if (!WaitFor([&] { return CountEntries(tree.done) >= rounds * kFiles; })) {
      std::fprintf(stderr, "watch_bench: files were not all moved from %s\n", tree.in.c_str());
      std::exit(1);
    }
  }
};

// A mover that watches: the files are written, the mover moves them.
void WrittenAndWatched(Side& side) {
  const std::string prefix = side.NextPrefix();
  for (int i = 0; i < kFiles; ++i) WriteFile(prefix + std::to_string(i) + ".txt");
  side.AwaitMoved();
}

pid_t SpawnMove(const std::string& file, const std::string& done) {
  const char* argv[] = {"mv", "--", file.c_str(), done.c_str(), nullptr};
  pid_t pid = -1;
  if (::posix_spawnp(&pid, "mv", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    std::fprintf(stderr, "watch_bench: mv could not be started\n");
    std::exit(1);
  }
  return pid;
}

// The floor: the same files written, then every mv started by hand.
void WrittenAndMoved(Side& side, bool waited) {
  const std::string prefix = side.NextPrefix();
  std::vector<std::string> files;
  for (int i = 0; i < kFiles; ++i)
    WriteFile(files.emplace_back(prefix + std::to_string(i) + ".txt"));
  std::vector<pid_t> started;
  int status = 0;
  for (const std::string& file : files) {
    const pid_t pid = SpawnMove(file, side.tree.done + "/");
    if (waited) {
      ::waitpid(pid, &status, 0);
    } else {
      started.push_back(pid);
    }
  }
  for (const pid_t pid : started) ::waitpid(pid, &status, 0);
  side.AwaitMoved();
}

std::string PointXml(const std::string& name, const std::string& in, const std::string& done,
                     int wait = 0) {
  return "<Point><Name>" + name + "</Name><Directory>" + in +
         "</Directory><Intervall Watch=\"1\">60</Intervall>"
         "<Command Wait=\"" +
         std::to_string(wait) + "\">mv -- %File% " + done + "/</Command></Point>";
}

std::string ObservationFile(const std::string& root, const std::string& points) {
  const std::string path = root + "/points.xml";
  std::ofstream(path) << "<Corvane><Name>bench</Name><Observation>" << points
                      << "</Observation></Corvane>";
  return path;
}

Mover StartCorvane(const std::string& xml) {
  return Mover({CORVANE_EXE, "/XML", xml, "/NIC", "/Console"});
}

// From a file's close until it is in done/: an upper bound of close to start.
double MedianLatencyMs(const Tree& tree) {
  std::vector<double> samples;
  for (int i = 0; i < kLatencySamples; ++i) {
    std::this_thread::sleep_for(300ms);  // apart from the one before, as single arrivals are
    const std::string name = "single" + std::to_string(i) + ".txt";
    WriteFile(tree.in + "/" + name);
    const auto closed = Steady::now();
    WaitFor([&] { return fs::exists(tree.done + "/" + name); });
    samples.push_back(Seconds(Steady::now() - closed) * 1000);
  }
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long long utime = 0;
  long long stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoll(field);
    if (i == 15) stime = std::stoll(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double IdleCpuPercent(const std::string& root) {
  std::string points;
  std::vector<Tree> trees;
  for (int i = 0; i < kIdlePoints; ++i) {
    trees.emplace_back(root + "/idle" + std::to_string(i));
    points += PointXml("idle" + std::to_string(i), trees.back().in, trees.back().done);
  }
  const Mover daemon = StartCorvane(ObservationFile(root + "/idle0", points));
  if (!Ready(trees.front())) return -1;
  std::this_thread::sleep_for(1s);
  const double before = CpuSeconds(daemon.pid());
  const auto start = Steady::now();
  std::this_thread::sleep_for(10s);
  return 100 * (CpuSeconds(daemon.pid()) - before) / Seconds(Steady::now() - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The median over the rounds of one side's time against another's in the
// same round.
double MedianRatio(const Side& ours, const Side& against) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ours.seconds.size(); ++i) {
    ratios.push_back(ours.seconds[i] / against.seconds[i]);
  }
  return Median(ratios);
}

void PrintRatio(const Side& ours, const Side& against, double target) {
  const double ratio = MedianRatio(ours, against);
  std::printf("  %-24s / %-24s %6.3f", ours.name, against.name, ratio);
  if (target > 0) std::printf("  (target <= %.1f: %s)", target, ratio <= target ? "met" : "missed");
  std::printf("\n");
}

}  // namespace

int main() {
  if (!SpawnAndWait({"sh", "-c", "command -v inotifywait"})) {
    std::fprintf(stderr, "watch_bench: inotifywait is missing (scripts/install-deps --bench)\n");
    return 1;
  }
  std::string pattern = (fs::temp_directory_path() / "corvane-watch-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string root = pattern;
  // The daemon runs with the default settings (log level Info) and keeps its
  // settings, lock and cache here, away from the user's.
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
    const std::string dir = root + "/" + name;
    fs::create_directory(dir);
    fs::permissions(dir, fs::perms::owner_all);
    ::setenv(name, dir.c_str(), 1);
  }
  Side waited{"corvane Wait=\"0\"", root + "/waited"};
  Side unwaited{"corvane Wait=\"-1\"", root + "/unwaited"};
  Side peer{"inotifywait + bash", root + "/peer"};
  Side floorWaited{"floor, one by one", root + "/floor-waited"};
  Side floorUnwaited{"floor, all then reaped", root + "/floor-unwaited"};

  double latency = -1;
  {
    const Mover daemon = StartCorvane(
        ObservationFile(root, PointXml("waited", waited.tree.in, waited.tree.done) +
                                  PointXml("unwaited", unwaited.tree.in, unwaited.tree.done, -1)));
    const Mover inotifywait({"bash", "-c", kPeerScript, "peer", peer.tree.in, peer.tree.done});
    if (!Ready(waited.tree) || !Ready(unwaited.tree) || !Ready(peer.tree)) {
      std::fprintf(stderr, "watch_bench: a mover did not start watching\n");
      return 1;
    }
    const std::vector<std::pair<Side*, std::function<void(Side&)>>> jobs = {
        {&waited, WrittenAndWatched},
        {&unwaited, WrittenAndWatched},
        {&peer, WrittenAndWatched},
        {&floorWaited, [](Side& side) { WrittenAndMoved(side, true); }},
        {&floorUnwaited, [](Side& side) { WrittenAndMoved(side, false); }},
    };
    // A warm-up round, then the rounds timed, each starting with the next
    // side, so that a burst of load from elsewhere spoils no side alone.
    for (const auto& [side, job] : jobs) job(*side);
    for (int round = 0; round < kRounds; ++round) {
      for (std::size_t i = 0; i < jobs.size(); ++i) {
        const auto& [side, job] = jobs[(round + i) % jobs.size()];
        const auto start = Steady::now();
        job(*side);
        side->seconds.push_back(Seconds(Steady::now() - start));
      }
    }
    latency = MedianLatencyMs(waited.tree);
  }
  const double idle = IdleCpuPercent(root);
  fs::remove_all(root);

  std::printf("%d files by one writer, each moved by mv; medians of %d rounds:\n", kFiles, kRounds);
  for (const Side* side : {&waited, &unwaited, &peer, &floorWaited, &floorUnwaited}) {
    std::printf("  %-24s %8.3f s\n", side->name, Median(side->seconds));
  }
  std::printf("ratios, median of rounds:\n");
  PrintRatio(waited, floorWaited, kFloorTarget);
  PrintRatio(unwaited, floorUnwaited, kFloorTarget);
  PrintRatio(waited, peer, 0);
  std::printf("  median close to moved      %6.1f ms  (target < 100: %s)\n", latency,
              latency < 100 ? "met" : "missed");
  std::printf("  idle CPU, %d watched points %5.2f %%   (target 0: %s)\n", kIdlePoints, idle,
              idle >= 0 && idle < 0.1 ? "met" : "missed");
  return 0;
}
