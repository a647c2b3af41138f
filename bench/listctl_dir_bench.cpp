// The list control's file mode on one folder of 100,000 empty files (a first
// argument sets another count): a Refresh that reads the folder again and
// the paint of the first screenful with its icons, against
// `find DIR -maxdepth 1 -type f` over the same folder, which only lists.
// Filter "*". Prints both totals and the
// median ratio (target: at most 2).

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "listctl/disk/disk_list_box.h"

using namespace corvane;
using namespace corvane::bench;

namespace {

constexpr int kRounds = 7;
constexpr double kRatioTarget = 2.0;

bool MakeFiles(const QByteArray& folder, int count) {
  for (int i = 0; i < count; ++i) {
    const QByteArray path = folder + "/file" + QByteArray::number(i) + ".dat";
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  QTemporaryDir dir;
  const QByteArray folder = QFile::encodeName(dir.path());
  if (!dir.isValid() || !MakeFiles(folder, files)) {
    std::fprintf(stderr, "cannot create the files\n");
    return 1;
  }

  DiskListBox box;
  box.resize(400, 600);
  box.SetShowIcon(true);
  box.SetFilter("*");
  box.SetPathBytes(folder);
  box.show();
  box.SetMode(ListMode::Files);
  QApplication::processEvents();
  if (box.ListCount() != files) {
    std::fprintf(stderr, "listed %d of %d files\n", box.ListCount(), files);
    return 1;
  }

  std::printf("File mode on %d files, %d rounds\n", files, kRounds);
  const Comparison c = Compare(
      kRounds,
      [&] {
        box.Refresh();
        box.viewport()->repaint();
      },
      [&] {
        SpawnAndWait({"find", folder.constData(), "-maxdepth", "1", "-type", "f"});
      });
  Print("DiskListBox Files", "find -maxdepth 1 -type f", c, kRatioTarget);
  return 0;
}
