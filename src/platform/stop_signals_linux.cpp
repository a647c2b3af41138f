#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/stop_signals.h"

namespace corvane::platform {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> stopSignalWriteEnd{-1};
volatile sig_atomic_t stopSignalPending = 0;

// The first signal's number: the closing line names it.
void OnStopSignal(int signalNumber) {
  const int savedErrno = errno;
  if (stopSignalPending == 0) stopSignalPending = signalNumber;
  const char byte = static_cast<char>(signalNumber);
  if (const int fd = stopSignalWriteEnd.load(); fd >= 0) {
    [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals() : pipe_(WakePipe::Open()) {
  stopSignalWriteEnd.store(pipe_.writeEnd.get());
  stopSignalPending = 0;
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, nullptr);
  struct sigaction action {};
  action.sa_handler = &OnStopSignal;
  ::sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signalNumber : kStopSignals) ::sigaction(signalNumber, &action, nullptr);
}

// The handler loses this object's write end (a newer object's stays) before
// the pipe closes, which happens after this body, so no signal can write
// into a closed (or reused) descriptor. The handler itself stays: a stop
// signal after this only sets the flag.
StopSignals::~StopSignals() {
  int own = pipe_.writeEnd.get();
  stopSignalWriteEnd.compare_exchange_strong(own, -1);
}

bool StopSignalPending() { return stopSignalPending != 0; }

std::string PendingStopSignalName() {
  switch (stopSignalPending) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return {};
  }
}

}  // namespace corvane::platform
