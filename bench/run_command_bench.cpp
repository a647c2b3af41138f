// Starting commands: RunCommand with Wait 0 against the least any program
// must do to run /bin/true and wait for it, a posix_spawn + waitpid loop.
// Both run in the same process, in alternating rounds, so that a busy
// machine slows both alike. Target: a ratio of at most 1.3.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <functional>

#include "core/child_reaper.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/hosts/desktop_host.h"
#include "core/hosts/log_view.h"
#include "core/log.h"
#include "core/run_command.h"
#include "lang/language.h"

namespace {

using namespace corvane;
using Steady = std::chrono::steady_clock;

constexpr int kCommands = 1000;
constexpr int kRounds = 10;
constexpr double kTarget = 1.3;
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

bool SpawnAndWait() {
  char* argv[] = {const_cast<char*>(kProgram), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, kProgram, nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid;
}

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

Steady::duration Time(int count, const std::function<void()>& step) {
  const auto start = Steady::now();
  for (int i = 0; i < count; ++i) step();
  return Steady::now() - start;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  DaemonState state;  // log level Info: the Debug line is made but not shown
  Language language;
  NullView view;
  NullDesktop desktop;
  SystemClock clock;
  Log log(state, language, view, desktop, clock);
  ChildReaper reaper;
  CommandRunner runner(log, state, reaper);
  ObservationPoint point;
  point.Directory = "/in/";
  point.Name = "Bench";
  point.Command = kProgram;  // no argument: with one, true(1) looks at its locale
  point.Wait = 0;

  bool spawned = true;
  const auto viaRunner = [&] { runner.RunCommand("/in/", "file.txt", point); };
  const auto viaSpawn = [&] { spawned = SpawnAndWait() && spawned; };
  Time(50, viaRunner);  // warm-up: page cache, dynamic loader, Qt's dispatcher
  Time(50, viaSpawn);

  Steady::duration runnerTime{};
  Steady::duration spawnTime{};
  for (int round = 0; round < kRounds; ++round) {
    runnerTime += Time(kCommands / kRounds, viaRunner);
    spawnTime += Time(kCommands / kRounds, viaSpawn);
  }
  if (point.lFailed != 0 || !spawned) {
    std::fprintf(stderr, "run_command_bench: %s could not be started\n", kProgram);
    return 1;
  }

  const double ratio = Seconds(runnerTime) / Seconds(spawnTime);
  std::printf("%d x %s, waited for:\n", kCommands, kProgram);
  std::printf("  RunCommand (Wait 0)     %8.3f s  %7.1f us/command\n", Seconds(runnerTime),
              Seconds(runnerTime) * 1e6 / kCommands);
  std::printf("  posix_spawn + waitpid   %8.3f s  %7.1f us/command\n", Seconds(spawnTime),
              Seconds(spawnTime) * 1e6 / kCommands);
  std::printf("  ratio                   %8.3f    (target <= %.1f: %s)\n", ratio, kTarget,
              ratio <= kTarget ? "met" : "missed");
  return 0;
}
