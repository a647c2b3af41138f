// The window under a daemon's load, off-screen. Prints
// - the CPU share of a window running 10 points while idle (nothing to do in
//   its folders), against an empty event loop over the same time
//   (target: under 1%);
// - the memory (resident) of a window holding 100,000 log lines, against an
//   empty window;
// - the time from a line being logged to the log view having painted it,
//   at 2,000 lines a second, against a QListWidget fed the same way.

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "listctl/mc_list_box.h"
#include "ui/main_window.h"
#include "ui/tray_icon_host.h"
#include "ui/window_front_end.h"

namespace {

using corvane::bench::Seconds;
using corvane::bench::Steady;

constexpr int kIdleSeconds = 10;
constexpr int kPoints = 10;
constexpr int kLines = 100000;
constexpr int kLinesPerSecond = 2000;
constexpr int kLatencySeconds = 5;

class NoTray final : public corvane::TrayIconHost {
 public:
  bool IsAvailable() const override { return false; }
  void AddIcon(const QString&) override {}
  void RemoveIcon() override {}
  void SetToolTip(const QString&) override {}
  void SetMenu(QMenu&) override {}
  void ShowBalloon(corvane::BalloonType, const QString&, const QString&, int) override {}
};

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// The CPU share of the process while the event loop runs for `seconds`.
double CpuShareWhileRunning(int seconds) {
  const double cpu = CpuSeconds();
  const auto start = Steady::now();
  QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
  QApplication::exec();
  return (CpuSeconds() - cpu) / Seconds(Steady::now() - start);
}

std::string WriteObservationFile(const std::string& dir) {
  const std::string xml = dir + "/idle.xml";
  std::ofstream out(xml);
  out << "<?xml version=\"1.0\"?>\n<Corvane><Name>Idle</Name><Observation>\n";
  for (int i = 0; i < kPoints; ++i) {
    const std::string folder = dir + "/in" + std::to_string(i);
    ::mkdir(folder.c_str(), 0700);
    out << "<Point><Name>P" << i << "</Name><Directory>" << folder
        << "/</Directory><FilePattern>*.*</FilePattern><Intervall>1</Intervall>"
           "<Command>true %File%</Command></Point>\n";
  }
  out << "</Observation></Corvane>\n";
  return xml;
}

void IdleCpu(const std::string& dir) {
  const double peer = CpuShareWhileRunning(kIdleSeconds);
  corvane::WindowFrontEnd frontEnd(
      corvane::CommandLineSwitches({"/XML", WriteObservationFile(dir), "/NIC"}),
      std::make_unique<NoTray>());
  frontEnd.Start();
  const double ours = CpuShareWhileRunning(kIdleSeconds);
  std::printf(
      "idle CPU, window with %d points checked every second: %.3f%% (target < 1%%); "
      "empty event loop: %.3f%%\n",
      kPoints, ours * 100, peer * 100);
}

void Memory() {
  const long before = ResidentKiB();
  corvane::MainWindow empty(0);
  empty.show();
  QApplication::processEvents();
  const long emptyKiB = ResidentKiB() - before;
  corvane::MainWindow full(0);
  full.show();
  for (int i = 0; i < kLines; ++i) {
    full.AddItem("[2026-12-07 02:00:00 Info    ] Inbox: found 1 files in /srv/hot/in/ (line " +
                     std::to_string(i) + ")",
                 false);
    if (i % 1000 == 0) QApplication::processEvents();
  }
  QApplication::processEvents();
  const long fullKiB = ResidentKiB() - before - emptyKiB;
  std::printf(
      "memory, window with %d lines: %ld KiB; empty window: %ld KiB; ratio %.1f; "
      "%.0f bytes per line\n",
      kLines, fullKiB, emptyKiB, emptyKiB > 0 ? double(fullKiB) / emptyKiB : 0.0,
      (fullKiB - emptyKiB) * 1024.0 / kLines);
}

// Feeds `add` at 2,000 lines a second in bursts of 10 every 5 ms and
// collects, for each line, the time until `painted` was next reported.
template <typename Add>
std::vector<double> LatenciesMs(Add add, QWidget& paintedWidget) {
  std::vector<QElapsedTimer> pending;
  std::vector<double> latencies;
  struct PaintWatch : QObject {
    std::function<void()> onPaint;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) QTimer::singleShot(0, this, [this] { onPaint(); });
      return false;
    }
  } watch;
  watch.onPaint = [&] {
    for (const QElapsedTimer& t : pending) latencies.push_back(t.nsecsElapsed() / 1e6);
    pending.clear();
  };
  paintedWidget.installEventFilter(&watch);
  QTimer feed;
  int sent = 0;
  QObject::connect(&feed, &QTimer::timeout, [&] {
    for (int i = 0; i < kLinesPerSecond / 200; ++i) {
      pending.emplace_back().start();
      add("[2026-12-07 02:00:00 Info    ] line " + std::to_string(sent++));
    }
  });
  feed.setTimerType(Qt::PreciseTimer);
  feed.start(5);
  QTimer::singleShot(kLatencySeconds * 1000, qApp, &QCoreApplication::quit);
  QApplication::exec();
  paintedWidget.removeEventFilter(&watch);
  std::sort(latencies.begin(), latencies.end());
  return latencies;
}

double Percentile(const std::vector<double>& sorted, double p) {
  return sorted.empty() ? 0.0 : sorted[static_cast<size_t>(p * (sorted.size() - 1))];
}

void Latency() {
  corvane::MainWindow window(0);
  window.show();
  const std::vector<double> ours =
      LatenciesMs([&window](const std::string& line) { window.ShowLogLine(line, false, true); },
                  *window.logView().viewport());
  QListWidget peerList;
  peerList.resize(window.logView().size());
  peerList.show();
  const std::vector<double> peer = LatenciesMs(
      [&peerList](const std::string& line) {
        peerList.addItem(QString::fromStdString(line));
        peerList.scrollToBottom();
      },
      *peerList.viewport());
  std::printf(
      "logged to painted at %d lines/s: median %.2f ms, 99th %.2f ms (%zu lines); "
      "QListWidget: median %.2f ms, 99th %.2f ms; median ratio %.2f\n",
      kLinesPerSecond, Percentile(ours, 0.5), Percentile(ours, 0.99), ours.size(),
      Percentile(peer, 0.5), Percentile(peer, 0.99),
      Percentile(peer, 0.5) > 0 ? Percentile(ours, 0.5) / Percentile(peer, 0.5) : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  const QTemporaryDir temp;
  const std::string dir = temp.path().toStdString();
  for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
    ::setenv(var, dir.c_str(), 1);
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  Memory();
  Latency();
  IdleCpu(dir);
  return 0;
}
