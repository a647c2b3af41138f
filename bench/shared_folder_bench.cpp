// Several daemons on one shared hot folder, measured against one daemon on
// the same folder in the same run: 1,000 files, each handed to a waited
// command that sleeps 50 ms and removes it, timed from the daemons' start
// until the hot folder is empty. Target: four daemons take at most 0.35 x
// the time of one.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"

using namespace corvane::bench;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kFiles = 1000;
constexpr int kDaemons = 4;
constexpr int kRounds = 2;
constexpr double kTarget = 0.35;

const char* const kCommand = "sh -c 'sleep 0.05 &amp;&amp; rm -f -- \"$0\"' %File%";

// A corvane in console mode with settings, runtime and cache directories
// of its own below `home`, stopped with SIGTERM when it goes.
class Daemon {
 public:
  Daemon(const std::string& home, const std::string& xml) {
    std::vector<std::string> env;
    for (char** var = environ; *var != nullptr; ++var) env.emplace_back(*var);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
      const std::string dir = home + "/" + name;
      fs::create_directories(dir);
      fs::permissions(dir, fs::perms::owner_all);
      env.push_back(std::string(name) + "=" + dir);  // the later entry wins
    }
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string exe = CORVANE_EXE;
    std::string xmlArg = xml;
    std::string flags[] = {"/XML", "/Console"};
    char* argv[] = {exe.data(), flags[0].data(), xmlArg.data(), flags[1].data(), nullptr};
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (::posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    ::posix_spawn_file_actions_destroy(&actions);
  }
  ~Daemon() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

// Nothing left in the hot folder but the daemons' own folder, and nothing
// in any claim folder.
bool Empty(const std::string& hot) {
  for (const auto& entry : fs::directory_iterator(hot)) {
    if (entry.path().filename() != ".corvane") return false;
  }
  const fs::path claims = fs::path(hot) / ".corvane" / "claims";
  if (!fs::exists(claims)) return true;
  for (const auto& folder : fs::directory_iterator(claims)) {
    if (!fs::is_empty(folder.path())) return false;
  }
  return true;
}

// `daemons` daemons, each with an observation file of its own (so that
// their ids differ), on a fresh folder of kFiles files.
Steady::duration Run(const std::string& root, int daemons) {
  static int runs = 0;
  const std::string dir = root + "/run" + std::to_string(runs++);
  const std::string hot = dir + "/hot";
  fs::create_directories(hot);
  for (int f = 0; f < kFiles; ++f) std::ofstream(hot + "/f" + std::to_string(f) + ".txt") << f;
  std::vector<std::string> xmls;
  for (int d = 0; d < daemons; ++d) {
    xmls.push_back(dir + "/daemon" + std::to_string(d) + ".xml");
    std::ofstream(xmls.back()) << "<Corvane><Name>bench</Name><Observation><Point><Name>shared"
                                  "</Name><Directory>"
                               << hot
                               << "</Directory><Intervall>1</Intervall><Shared>Yes</Shared>"
                                  "<Command Wait=\"0\">"
                               << kCommand << "</Command></Point></Observation></Corvane>";
  }
  const auto start = Steady::now();
  std::vector<std::unique_ptr<Daemon>> running;
  for (int d = 0; d < daemons; ++d) {
    running.push_back(std::make_unique<Daemon>(dir + "/home" + std::to_string(d), xmls[d]));
    if (!running.back()->Started()) {
      std::fprintf(stderr, "shared_folder_bench: corvane could not be started\n");
      std::exit(1);
    }
  }
  const auto deadline = start + 15min;
  while (!Empty(hot)) {
    if (Steady::now() > deadline) {
      std::fprintf(stderr, "shared_folder_bench: the files in %s were not all handled\n",
                   hot.c_str());
      std::exit(1);
    }
    std::this_thread::sleep_for(20ms);
  }
  return Steady::now() - start;
}

}  // namespace

int main() {
  std::string pattern = (fs::temp_directory_path() / "corvane-shared-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string root = pattern;
  // Rounds in alternating order, so that load from elsewhere spoils neither
  // side alone.
  Comparison c;
  for (int round = 0; round < kRounds; ++round) {
    Steady::duration four{};
    Steady::duration one{};
    if (round % 2 == 0) {
      four = Run(root, kDaemons);
      one = Run(root, 1);
    } else {
      one = Run(root, 1);
      four = Run(root, kDaemons);
    }
    c.ours += four;
    c.peer += one;
    c.ratios.push_back(Seconds(four) / Seconds(one));
  }
  fs::remove_all(root);
  std::printf("%d files, a waited command of 50 ms each, one shared folder; %d rounds:\n", kFiles,
              kRounds);
  Print("four daemons", "one daemon", c, kTarget);
  return 0;
}
