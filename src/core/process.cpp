#include "core/process.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

#include "core/child_reaper.h"

namespace corvane {
namespace {

// Where no watch descriptor could be had, the end is looked for this often.
constexpr int kPollMs = 5;
// Most commands end within moments: the wait blocks this long first, which
// spares them the nested event loop with its notifier and timers. Short
// enough that the window and the console do not seem to stall meanwhile.
constexpr int kFirstLookMs = 10;

}  // namespace

// One wait: a nested event loop that ends when the process ends, when the
// limit has passed, when InterruptWaits is called, or when the application
// asks every loop to quit.
class Waiter {
 public:
  Waiter(ChildProcess& proc, std::int32_t limitMs) : proc_(proc), limitMs_(limitMs) {
    elapsed_.start();
    running().push_back(this);
  }
  ~Waiter() { std::erase(running(), this); }
  Waiter(const Waiter&) = delete;
  Waiter& operator=(const Waiter&) = delete;

  WaitEnd Run(const std::function<bool()>& stopRequested) {
    const int firstLook = limitMs_ > 0 ? std::min(kFirstLookMs, limitMs_) : kFirstLookMs;
    if (platform::AwaitReadable(proc_.watch_.get(), firstLook) && proc_.Collect()) {
      return WaitEnd::Ended;
    }
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer poll;
    if (proc_.watch_.get() >= 0) {
      notifier = std::make_unique<QSocketNotifier>(proc_.watch_.get(), QSocketNotifier::Read);
      QObject::connect(notifier.get(), &QSocketNotifier::activated, &loop_, [this] { Check(); });
    } else {
      QObject::connect(&poll, &QTimer::timeout, &loop_, [this] { Check(); });
      poll.start(kPollMs);
    }
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&limit, &QTimer::timeout, &loop_, [this, &limit] { OnLimit(limit); });
    if (limitMs_ > 0)
      limit.start(static_cast<int>(std::max<qint64>(0, limitMs_ - elapsed_.elapsed())));
    for (;;) {
      interrupted_ = false;
      loop_.exec();
      if (proc_.Collect()) return WaitEnd::Ended;
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
    if (proc_.Collect()) loop_.quit();
  }
  // A timer may fire a little early; the limit is what the monotonic clock
  // says, not the timer.
  void OnLimit(QTimer& limit) {
    const qint64 left = limitMs_ - elapsed_.elapsed();
    if (left > 0) return limit.start(static_cast<int>(left));
    timedOut_ = true;
    loop_.quit();
  }

  ChildProcess& proc_;
  const std::int32_t limitMs_;
  QElapsedTimer elapsed_;
  QEventLoop loop_;
  bool timedOut_ = false;
  bool interrupted_ = false;
};

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)),
      command_(std::move(other.command_)),
      reaper_(other.reaper_),
      watch_(std::move(other.watch_)),
      ended_(other.ended_),
      end_(other.end_),
      whenCollected_(std::move(other.whenCollected_)) {}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0 || ended_) return;
  try {
    reaper_->Adopt(pid_, std::move(whenCollected_));
  } catch (...) {
    // Only memory can run out here; the process is then not collected.
  }
}

bool ChildProcess::Collect() {
  if (!ended_ && platform::ReapProcess(pid_, &end_)) {
    ended_ = true;
    if (whenCollected_) std::exchange(whenCollected_, nullptr)(end_);
  }
  return ended_;
}

WaitEnd ChildProcess::Wait(std::int32_t timeoutMs, const std::function<bool()>& stopRequested) {
  if (Collect()) return WaitEnd::Ended;
  if (stopRequested()) return WaitEnd::Stopped;
  // The watch descriptor is opened for the wait only: a command that is not
  // waited for costs no descriptor.
  if (watch_.get() < 0) watch_ = platform::OpenProcessWatch(pid_);
  return Waiter(*this, timeoutMs).Run(stopRequested);
}

bool ChildProcess::Kill() const { return !ended_ && platform::KillProcessGroup(pid_); }

// The command text is copied before the start, so that nothing can throw
// between the start and the process's owner taking it.
platform::Result<ChildProcess> StartProcess(const CommandLine& cmd, platform::CommandOutput output,
                                            ChildReaper& reaper) {
  std::string command = cmd.text;
  const platform::Result<int> pid = platform::SpawnProcess(cmd.args, output);
  if (!pid) return platform::Failure<platform::Error>{pid.error()};
  return ChildProcess(*pid, std::move(command), reaper);
}

void InterruptWaits() { Waiter::InterruptAll(); }

}  // namespace corvane
