#include "bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace corvane::bench {
namespace {

Steady::duration Time(const std::function<void()>& step) {
  const auto start = Steady::now();
  step();
  return Steady::now() - start;
}

}  // namespace

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

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

Comparison Compare(int rounds, const std::function<void()>& ours,
                   const std::function<void()>& peer) {
  ours();  // warm-up: caches, the dynamic loader, Qt's dispatcher
  peer();
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

void Print(const char* ourName, const char* peerName, Comparison c, double target) {
  std::sort(c.ratios.begin(), c.ratios.end());
  const double ratio = c.ratios[c.ratios.size() / 2];
  std::printf("  %-26s %8.3f s\n  %-26s %8.3f s\n", ourName, Seconds(c.ours), peerName,
              Seconds(c.peer));
  std::printf("  ratio, median of rounds   %8.3f    (target <= %g: %s)\n", ratio, target,
              ratio <= target ? "met" : "missed");
}

}  // namespace corvane::bench
