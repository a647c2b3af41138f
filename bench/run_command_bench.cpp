// Starting commands: RunCommand with Wait 0 against the least any program
// must do to run /bin/true and wait for it, a posix_spawn + waitpid loop.
// Target: a ratio of at most 1.3.

#include <QCoreApplication>
#include <cstdio>

#include "bench_support.h"

using namespace corvane;
using namespace corvane::bench;

namespace {

constexpr int kCommands = 1000;
constexpr int kRounds = 10;
constexpr double kTarget = 1.3;
const char* const kProgram = "/bin/true";

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QuietCore core;
  ObservationPoint point;
  point.directory = "/in/";
  point.name = "Bench";
  point.command = kProgram;  // no argument: with one, true(1) looks at its locale
  point.wait = 0;

  bool spawned = true;
  constexpr int kPerRound = kCommands / kRounds;
  const auto viaRunner = [&] {
    for (int i = 0; i < kPerRound; ++i) core.runner.RunCommand("/in/", "file.txt", point);
  };
  const auto viaSpawn = [&] {
    for (int i = 0; i < kPerRound; ++i) spawned = SpawnAndWait({kProgram}) && spawned;
  };
  const Comparison c = Compare(kRounds, viaRunner, viaSpawn);
  if (point.failed != 0 || !spawned) {
    std::fprintf(stderr, "run_command_bench: %s could not be started\n", kProgram);
    return 1;
  }
  std::printf("%d x %s, waited for, in %d rounds:\n", kCommands, kProgram, kRounds);
  Print("RunCommand (Wait 0)", "posix_spawn + waitpid", c, kTarget);
  return 0;
}
