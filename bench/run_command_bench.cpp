// Starting commands: RunCommand with Wait 0 against the least any program
// must do to run /bin/true and wait for it, a posix_spawn + waitpid loop.
// Target: a ratio of at most 1.3. Then the same hand-overs with the journal
// on against the journal off. Target: a ratio of at most 1.05.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <memory>

#include "bench_support.h"
#include "journal/journal_writer.h"

using namespace corvane;
using namespace corvane::bench;

namespace {

constexpr int kCommands = 1000;
constexpr int kRounds = 10;
constexpr double kTarget = 1.3;
constexpr double kJournalTarget = 1.05;
const char* const kProgram = "/bin/true";

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QuietCore core;
  // A file that is there, so that the journal looks at it as it would in a
  // check.
  QTemporaryDir folder;
  const std::string dir = folder.path().toStdString() + "/";
  std::ofstream(dir + "file.txt") << "x";
  ObservationPoint point;
  point.directory = dir;
  point.name = "Bench";
  point.command = kProgram;  // no argument: with one, true(1) looks at its locale
  point.wait = 0;

  bool spawned = true;
  constexpr int kPerRound = kCommands / kRounds;
  const auto viaRunner = [&] {
    for (int i = 0; i < kPerRound; ++i) core.runner.RunCommand(dir, "file.txt", point);
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

  auto opened = journal::JournalWriter::Open({dir + "journal.sqlite", 30, {}});
  if (!opened) {
    std::fprintf(stderr, "run_command_bench: no journal: %s\n", opened.error().text.c_str());
    return 1;
  }
  const std::shared_ptr<journal::JournalWriter> journal = std::move(opened->writer);
  const auto journaled = [&] {
    core.runner.SetJournal(journal);
    viaRunner();
  };
  const auto unjournaled = [&] {
    core.runner.SetJournal(nullptr);
    viaRunner();
  };
  const Comparison j = Compare(kRounds, journaled, unjournaled);
  journal->Close();
  Print("RunCommand, journal on", "journal off", j, kJournalTarget);
  return 0;
}
