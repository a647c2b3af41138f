#include "core/process.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "core/child_reaper.h"
#include "core/platform/platform.h"

namespace corvane {
namespace {

// Where no watch descriptor could be had, the end is looked for this often.
constexpr int kPollMs = 5;

bool Collect(ProcessRecord& proc) {
  if (!proc.bEnded) proc.bEnded = platform::ReapProcess(proc.pid);
  return proc.bEnded;
}

// One wait: a nested event loop that ends when the process ends, when the
// limit has passed, or when the application asks every loop to quit.
class Waiter {
 public:
  Waiter(ProcessRecord& proc, std::int32_t limitMs) : proc_(proc), limitMs_(limitMs) {
    elapsed_.start();
  }

  bool Run() {
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer poll;
    if (proc_.watchFd >= 0) {
      notifier = std::make_unique<QSocketNotifier>(proc_.watchFd, QSocketNotifier::Read);
      QObject::connect(notifier.get(), &QSocketNotifier::activated, &loop_, [this] { Check(); });
    } else {
      QObject::connect(&poll, &QTimer::timeout, &loop_, [this] { Check(); });
      poll.start(kPollMs);
    }
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&limit, &QTimer::timeout, &loop_, [this, &limit] { OnLimit(limit); });
    if (limitMs_ > 0) limit.start(limitMs_);
    loop_.exec();
    return Collect(proc_) || !timedOut_;
  }

 private:
  void Check() {
    if (Collect(proc_)) loop_.quit();
  }
  // A timer may fire a little early; the limit is what the monotonic clock
  // says, not the timer.
  void OnLimit(QTimer& limit) {
    const qint64 left = limitMs_ - elapsed_.elapsed();
    if (left > 0) return limit.start(static_cast<int>(left));
    timedOut_ = true;
    loop_.quit();
  }

  ProcessRecord& proc_;
  const std::int32_t limitMs_;
  QElapsedTimer elapsed_;
  QEventLoop loop_;
  bool timedOut_ = false;
};

}  // namespace

bool StartProcess(const CommandLine& cmd, ProcessRecord& proc,
                  [[maybe_unused]] std::int16_t iShow) {
  const int pid = platform::SpawnProcess(cmd.vArgs);
  if (pid <= 0) return false;
  proc = ProcessRecord{pid, platform::OpenProcessWatch(pid), cmd.sText, false};
  return true;
}

bool WaitForProcess(ProcessRecord& proc, std::int32_t lTimeoutMs) {
  if (Collect(proc)) return true;
  return Waiter(proc, lTimeoutMs).Run();
}

bool KillProcess(const ProcessRecord& proc) {
  return !proc.bEnded && platform::KillProcessGroup(proc.pid);
}

void CloseProcess(ProcessRecord& proc, ChildReaper& reaper) {
  if (proc.bEnded) {
    platform::CloseDescriptor(proc.watchFd);
  } else {
    reaper.Adopt(proc.pid, proc.watchFd);
  }
  proc = ProcessRecord{};
}

}  // namespace corvane
