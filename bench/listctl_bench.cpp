// The log view under a daemon's load: log lines appended the log's way
// (AddItem with refresh, then ScrollToBottom) into a shown control, the
// event loop turning every 1,000 lines. The peer is Qt's own QListView over
// a QStringListModel with uniform item sizes, fed the same lines and
// scrolled to the bottom after each. Prints
// - the ratio of the total times over the same lines (target: at most 1.0).
//   The peer lays out all its rows again on every scrollToBottom, so its
//   cost grows with the list; both sides run the first 20,000 lines (a
//   first argument sets another count), not the million, which would keep
//   the peer busy for hours;
// - the control alone through 1,000,000 lines: the time per line of the
//   first and the last 10,000, each the median of its ten turns of 1,000
//   lines (target: at most 1.2 apart: the cost of a line does not grow
//   with the list);
// - the heap bytes per item beyond its UTF-16 text (target: at most 64).

#include <malloc.h>

#include <QApplication>
#include <QListView>
#include <QStringListModel>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "listctl/mc_list_box.h"

using namespace corvane;
using namespace corvane::bench;

namespace {

constexpr int kLines = 1000000;
int peerLines = 20000;
constexpr int kTurnEvery = 1000;
constexpr int kWindow = 10000;
constexpr double kRatioTarget = 1.0;
constexpr double kGrowthTarget = 1.2;
constexpr double kBytesTarget = 64;

QString LogLine(int i) {
  return QStringLiteral(
             "[07.12.2026 01:02:03 Info     ] Inbox: found 1 files in /srv/hot/in/scan-%1.pdf.")
      .arg(i, 7, 10, QLatin1Char('0'));
}

struct Run {
  Steady::duration total{};
  std::vector<Steady::duration> turns;  // one per kTurnEvery lines
};

// Appends every line through `append`, turning the event loop every
// kTurnEvery lines, and times the whole run and every turn.
Run Feed(const std::vector<QString>& lines, int count,
         const std::function<void(const QString&)>& append) {
  Run run;
  const auto start = Steady::now();
  auto turnStart = start;
  for (int i = 0; i < count; ++i) {
    append(lines[static_cast<std::size_t>(i)]);
    if ((i + 1) % kTurnEvery == 0) {
      QApplication::processEvents();
      const auto now = Steady::now();
      run.turns.push_back(now - turnStart);
      turnStart = now;
    }
  }
  run.total = Steady::now() - start;
  return run;
}

// Microseconds per line over the turns [from, from + kWindow / kTurnEvery):
// their median, so that a burst of load from elsewhere on the machine does
// not pass for a cost of the list.
double MicrosPerLine(const Run& run, std::size_t from) {
  std::vector<Steady::duration> window(
      run.turns.begin() + static_cast<std::ptrdiff_t>(from),
      run.turns.begin() + static_cast<std::ptrdiff_t>(from + kWindow / kTurnEvery));
  std::sort(window.begin(), window.end());
  return Seconds(window[window.size() / 2]) * 1e6 / kTurnEvery;
}

Run FeedListBox(const std::vector<QString>& lines, int count) {
  McListBox box;
  box.resize(640, 480);
  box.show();
  QApplication::processEvents();
  return Feed(lines, count, [&](const QString& line) {
    box.AddItem(line, -1, -1, false, true);
    box.ScrollToBottom();
  });
}

Run FeedListView(const std::vector<QString>& lines, int count) {
  QStringListModel model;
  QListView view;
  view.setUniformItemSizes(true);
  view.setModel(&model);
  view.resize(640, 480);
  view.show();
  QApplication::processEvents();
  return Feed(lines, count, [&](const QString& line) {
    const int row = model.rowCount();
    model.insertRows(row, 1);
    model.setData(model.index(row), line);
    view.scrollToBottom();
  });
}

// Heap growth of a control filled with fresh lines, less the text's own
// UTF-16 characters.
double BytesPerItem() {
  McListBox box;
  box.SetAutoRefresh(false);
  const std::size_t before = mallinfo2().uordblks;
  std::size_t textBytes = 0;
  for (int i = 0; i < kLines; ++i) {
    const QString line = QString::fromStdString(LogLine(i).toStdString());  // as the log makes it
    textBytes += static_cast<std::size_t>(line.size()) * sizeof(QChar);
    box.AddItem(line, -1, -1, false, false);
  }
  const std::size_t after = mallinfo2().uordblks;
  return (double(after) - double(before) - double(textBytes)) / kLines;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc > 1) peerLines = std::clamp(std::atoi(argv[1]), 2 * kWindow, kLines);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::vector<QString> lines;
  lines.reserve(kLines);
  for (int i = 0; i < kLines; ++i) lines.push_back(LogLine(i));

  std::printf("Log view, the event loop turning every %d lines\n", kTurnEvery);
  std::printf(" %d lines, against the peer:\n", peerLines);
  const Run peer = FeedListView(lines, peerLines);
  const Run ours = FeedListBox(lines, peerLines);
  const double ratio = Seconds(ours.total) / Seconds(peer.total);
  std::printf("  %-26s %8.3f s\n  %-26s %8.3f s\n", "McListBox", Seconds(ours.total),
              "QListView + model", Seconds(peer.total));
  std::printf("  ratio                      %8.3f    (target <= %.1f: %s)\n", ratio, kRatioTarget,
              ratio <= kRatioTarget ? "met" : "missed");

  std::printf(" %d lines, the control alone:\n", kLines);
  // The runs before freed heap that the first lines would reuse while the
  // last ones fault in fresh pages; handing it back first makes both pay
  // for new memory alike.
  malloc_trim(0);
  const Run million = FeedListBox(lines, kLines);
  std::printf("  %-26s %8.3f s\n", "McListBox", Seconds(million.total));
  const double first = MicrosPerLine(million, 0);
  const double last = MicrosPerLine(million, million.turns.size() - kWindow / kTurnEvery);
  std::printf("  per line, first %d       %8.2f us\n  per line, last %d        %8.2f us\n", kWindow,
              first, kWindow, last);
  std::printf("  last / first               %8.3f    (target <= %.1f: %s)\n", last / first,
              kGrowthTarget, last / first <= kGrowthTarget ? "met" : "missed");

  const double bytes = BytesPerItem();
  std::printf("  bytes per item beyond text %8.1f    (target <= %.0f: %s)\n", bytes, kBytesTarget,
              bytes <= kBytesTarget ? "met" : "missed");
  return 0;
}
