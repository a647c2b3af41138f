// Reacting to arrivals: corvane with a point woken by change events
// (Watch="1", Intervall 60) against an inotifywait + bash loop, doing the
// same job in the same run: 1,000 files written in place, each moved away
// by mv, timed from the first write until the last file is moved.
// Targets: a ratio of at most 0.8 (aim 0.5), a median of under 100 ms from
// a file's close to its move, and under 1% CPU while 10 watched points idle.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"

using namespace corvane::bench;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kFiles = 1000;
constexpr int kRounds = 3;
constexpr int kLatencySamples = 21;
constexpr int kIdlePoints = 10;
constexpr double kTarget = 0.8;

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

// One round: kFiles new files, timed until every one of them is moved. The
// names differ from round to round, so done/ needs no clearing in between.
void MoveAll(const Tree& tree, int& round) {
  const std::string prefix = tree.in + "/r" + std::to_string(round++) + "-";
  for (int i = 0; i < kFiles; ++i) WriteFile(prefix + std::to_string(i) + ".txt");
  if (!WaitFor([&] { return CountEntries(tree.done) >= round * kFiles; })) {
    std::fprintf(stderr, "watch_bench: files were not all moved from %s\n", tree.in.c_str());
    std::exit(1);
  }
}

std::string PointXml(const std::string& name, const std::string& in, const std::string& done) {
  return "<Point><Name>" + name + "</Name><Directory>" + in +
         "</Directory><Intervall Watch=\"1\">60</Intervall>"
         "<Command Wait=\"0\">mv -- %File% " +
         done + "/</Command></Point>";
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

}  // namespace

int main() {
  if (!SpawnAndWait({"sh", "-c", "command -v inotifywait"})) {
    std::fprintf(stderr, "watch_bench: inotifywait is missing (scripts/install-deps --bench)\n");
    return 1;
  }
  std::string pattern = (fs::temp_directory_path() / "corvane-watch-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string root = pattern;
  const Tree ours(root + "/ours");
  const Tree peers(root + "/peer");

  Comparison c;
  double latency = -1;
  {
    const Mover daemon =
        StartCorvane(ObservationFile(root + "/ours", PointXml("bench", ours.in, ours.done)));
    const Mover peer({"bash", "-c", kPeerScript, "peer", peers.in, peers.done});
    if (!Ready(ours) || !Ready(peers)) {
      std::fprintf(stderr, "watch_bench: a mover did not start watching\n");
      return 1;
    }
    int ourRounds = 0;
    int peerRounds = 0;
    c = Compare(
        kRounds, [&] { MoveAll(ours, ourRounds); }, [&] { MoveAll(peers, peerRounds); });
    latency = MedianLatencyMs(ours);
  }
  const double idle = IdleCpuPercent(root);
  fs::remove_all(root);

  std::printf("%d files written in place, each moved by mv, in %d rounds:\n", kFiles, kRounds);
  Print("corvane Watch=\"1\" (60 s)", "inotifywait + bash loop", c, kTarget);
  std::printf("  median close to moved      %6.1f ms  (target < 100: %s)\n", latency,
              latency < 100 ? "met" : "missed");
  std::printf("  idle CPU, %d watched points %5.2f %%   (target < 1: %s)\n", kIdlePoints, idle,
              idle >= 0 && idle < 1 ? "met" : "missed");
  return 0;
}
