// Directory scan, each against a peer measured in the same run, in
// alternating rounds so that a busy machine slows both alike:
// - one check of a tree of 100,000 files in 1,000 directories where no name
//   matches, against find(1) looking for the same pattern in the same tree
//   (target: a ratio of at most 1.5);
// - one check that hands 1,000 qualifying files to a waited /bin/true,
//   against a plain posix_spawn + waitpid loop over as many commands
//   (target: a ratio of at most 1.3).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "core/directory_scan.h"

using namespace corvane;
using namespace corvane::bench;

namespace {

constexpr int kDirectories = 1000;
constexpr int kFilesPerDirectory = 100;
constexpr int kScanRounds = 10;
constexpr double kScanTarget = 1.5;
constexpr int kCommands = 1000;
constexpr int kCommandRounds = 5;
constexpr double kCommandTarget = 1.3;
const char* const kProgram = "/bin/true";

void Touch(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
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

  QuietCore core;
  DirectoryScanner scanner(core.state, core.log, core.clock, core.runner);
  ObservationPoint point;
  point.name = "Bench";
  point.filePattern = "*.txt";
  point.command = kProgram;  // no argument: with one, true(1) looks at its locale
  point.wait = 0;

  bool ok = true;
  const auto scanTree = [&] {
    point.directory = tree;
    ok = ok && scanner.CheckDirectory(tree, point).status == CheckStatus::NothingQualified;
  };
  const auto findTree = [&] { ok = SpawnAndWait({"find", tree.c_str(), "-name", "*.txt"}) && ok; };
  const auto scanReady = [&] {
    point.directory = ready;
    ok = ok && scanner.CheckDirectory(ready, point).handled == kCommands;
  };
  const auto spawnLoop = [&] {
    for (int i = 0; i < kCommands; ++i) ok = SpawnAndWait({kProgram}) && ok;
  };

  const Comparison scan = Compare(kScanRounds, scanTree, findTree);
  const Comparison commands = Compare(kCommandRounds, scanReady, spawnLoop);
  std::filesystem::remove_all(root);
  if (!ok || point.failed != 0) {
    std::fprintf(stderr, "scan_bench: a check or a peer did not do what was asked\n");
    return 1;
  }

  std::printf("%d checks of %d files in %d directories, no name matching:\n", kScanRounds,
              kDirectories * kFilesPerDirectory, kDirectories);
  Print("CheckDirectory", "find -name", scan, kScanTarget);
  std::printf("%d checks of %d qualifying files, %s waited for each:\n", kCommandRounds, kCommands,
              kProgram);
  Print("CheckDirectory", "posix_spawn + waitpid", commands, kCommandTarget);
  return 0;
}
