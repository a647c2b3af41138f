#include "core/process.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <vector>

#include "core/child_reaper.h"

namespace corvane {
namespace {

// Where no watch descriptor could be had, the end is looked for this often.
constexpr int kPollMs = 5;

bool Collect(ProcessRecord& proc) {
  if (!proc.bEnded) proc.bEnded = platform::ReapProcess(proc.pid);
  return proc.bEnded;
}

// One wait: a nested event loop that ends when the process ends, when the
// limit has passed, when InterruptWaits is called, or when the application
// asks every loop to quit.
class Waiter {
 public:
  Waiter(ProcessRecord& proc, std::int32_t limitMs) : proc_(proc), limitMs_(limitMs) {
    elapsed_.start();
    running().push_back(this);
  }
  ~Waiter() { std::erase(running(), this); }
  Waiter(const Waiter&) = delete;
  Waiter& operator=(const Waiter&) = delete;

  WaitEnd Run(const std::function<bool()>& stopRequested) {
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
    for (;;) {
      interrupted_ = false;
      loop_.exec();
      if (Collect(proc_)) return WaitEnd::Ended;
      if (timedOut_) return WaitEnd::TimedOut;
      // A loop that quit without being interrupted was told to by the
      // application's end, which is a stop as well.
      if (!interrupted_ || stopRequested()) return WaitEnd::Stopped;
    }
  }

  static void InterruptAll() {
    for (Waiter* waiter : running()) {
      waiter->interrupted_ = true;
      waiter->loop_.quit();
    }
  }

 private:
  // The waits under way, innermost last; only the event loop's thread waits.
  static std::vector<Waiter*>& running() {
    static std::vector<Waiter*> waiters;
    return waiters;
  }

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
  bool interrupted_ = false;
};

}  // namespace

bool StartProcess(const CommandLine& cmd, ProcessRecord& proc, [[maybe_unused]] std::int16_t iShow,
                  platform::CommandOutput output) {
  const int pid = platform::SpawnProcess(cmd.vArgs, output);
  if (pid <= 0) return false;
  proc = ProcessRecord{pid, -1, cmd.sText, false};
  return true;
}

WaitEnd WaitForProcess(ProcessRecord& proc, std::int32_t lTimeoutMs,
                       const std::function<bool()>& stopRequested) {
  if (Collect(proc)) return WaitEnd::Ended;
  if (stopRequested()) return WaitEnd::Stopped;
  // The watch descriptor is opened for the wait only: a command that is not
  // waited for costs no descriptor.
  if (proc.watchFd < 0) proc.watchFd = platform::OpenProcessWatch(proc.pid);
  return Waiter(proc, lTimeoutMs).Run(stopRequested);
}

void InterruptWaits() { Waiter::InterruptAll(); }

bool KillProcess(const ProcessRecord& proc) {
  return !proc.bEnded && platform::KillProcessGroup(proc.pid);
}

void CloseProcess(ProcessRecord& proc, ChildReaper& reaper) {
  platform::CloseDescriptor(proc.watchFd);
  if (!proc.bEnded) reaper.Adopt(proc.pid);
  proc = ProcessRecord{};
}

}  // namespace corvane
