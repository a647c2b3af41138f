// The log view under a daemon's load: log lines appended the log's way
// (AddItem with refresh, then ScrollToBottom) into a shown control, the
// event loop turning every 1,000 lines. The peer is a log view built the
// way Qt suggests: a QListView with uniform item sizes over a model that
// appends rows (beginInsertRows / endInsertRows), whose rowsInserted scrolls
// it to the bottom, queued. Called directly after each line, scrollToBottom
// would lay out every row of the list again each time (the layout of a
// QListView is delayed, and scrolling executes it), which makes a peer whose
// cost grows with the list; queued, the first call of a turn lays out the
// list and the others only move the bar. Prints
// - both sides' time per line over the same first 100,000 lines (a first
//   argument sets another count), in alternating rounds, and the median of
//   the rounds' ratios (target: at most 1.0);
//   on a shared two-core machine the control took 4.5 us a line and the
//   peer 10.6 us (ratio 0.42);
// - the control alone through 1,000,000 lines: the time per line of the
//   first and the last 10,000, each the median of its ten turns of 1,000
//   lines (target: at most 1.2 apart: the cost of a line does not grow
//   with the list);
// - the heap bytes per item beyond its UTF-16 text (target: at most 64).

#include <malloc.h>

#include <QAbstractListModel>
#include <QApplication>
#include <QListView>
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
int peerLines = 100000;
constexpr int kTurnEvery = 1000;
constexpr int kWindow = 10000;
constexpr double kRatioTarget = 1.0;
constexpr int kRounds = 3;
constexpr const char* kPeerName = "QListView + appending model";
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
    box.AddItem(line);
    box.ScrollToBottom();
  });
}

// Lines appended at the end, one row inserted each time.
class LogModel final : public QAbstractListModel {
 public:
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return lines_[static_cast<std::size_t>(index.row())];
  }
  void Append(const QString& line) {
    const int row = static_cast<int>(lines_.size());
    beginInsertRows({}, row, row);
    lines_.push_back(line);
    endInsertRows();
  }

 private:
  std::vector<QString> lines_;
};

Run FeedListView(const std::vector<QString>& lines, int count) {
  LogModel model;
  QListView view;
  view.setUniformItemSizes(true);
  view.setModel(&model);
  view.resize(640, 480);
  QObject::connect(&model, &QAbstractItemModel::rowsInserted, &view,
                   &QAbstractItemView::scrollToBottom, Qt::QueuedConnection);
  view.show();
  QApplication::processEvents();
  return Feed(lines, count, [&](const QString& line) { model.Append(line); });
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
    box.AddItem(line, {.refresh = false});
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
  std::printf(" %d lines, against the peer, %d rounds:\n", peerLines, kRounds);
  const Comparison c = Compare(
      kRounds, [&] { FeedListBox(lines, peerLines); }, [&] { FeedListView(lines, peerLines); });
  auto perLine = [](Steady::duration total) { return Seconds(total) * 1e6 / kRounds / peerLines; };
  std::printf("  %-26s %8.2f us per line\n  %-26s %8.2f us per line\n", "McListBox",
              perLine(c.ours), kPeerName, perLine(c.peer));
  Print("McListBox", kPeerName, c, kRatioTarget);

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
