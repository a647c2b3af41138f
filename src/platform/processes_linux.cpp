#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/processes.h"

namespace corvane::platform {
namespace {

// The attributes and file actions of one spawn, released on every path out.
class SpawnSetup {
 public:
  SpawnSetup() {
    ::posix_spawnattr_init(&attr);
    ::posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
};

// A command's output never lands on the daemon's standard output, which
// carries the log lines in console mode.
bool RouteOutput(posix_spawn_file_actions_t& actions, CommandOutput output) {
  if (output == CommandOutput::DaemonStderr) {
    return ::posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO) == 0;
  }
  return ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) ==
             0 &&
         ::posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO) == 0;
}

// Own process group, so that the whole tree can be killed at once; default
// signal handling, since the daemon ignores some signals (SIGIO, SIGPIPE)
// that a command must not inherit as ignored.
bool Prepare(SpawnSetup& setup, CommandOutput output) {
  sigset_t all;
  sigset_t none;
  ::sigfillset(&all);
  ::sigemptyset(&none);
  const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
  return ::posix_spawnattr_setflags(&setup.attr, flags) == 0 &&
         ::posix_spawnattr_setpgroup(&setup.attr, 0) == 0 &&
         ::posix_spawnattr_setsigdefault(&setup.attr, &all) == 0 &&
         ::posix_spawnattr_setsigmask(&setup.attr, &none) == 0 &&
         ::posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY,
                                            0) == 0 &&
         RouteOutput(setup.actions, output);
}

}  // namespace

// glibc's posix_spawnp runs the child with vfork semantics and reports a
// failed exec (ENOENT, EACCES for a directory or a file without the execute
// bit, ENOEXEC) through its result, so a start that fails is known here and
// leaves no child behind.
Result<int> SpawnProcess(const std::vector<std::string>& args, CommandOutput output) {
  if (args.empty()) return Failed("no program named");
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  SpawnSetup setup;
  if (!Prepare(setup, output)) return Failed("the start could not be prepared");
  pid_t pid = -1;
  // posix_spawnp reports its error as its result, not in errno.
  if (const int error =
          ::posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
      error != 0) {
    return SystemFailure(error);
  }
  return static_cast<int>(pid);
}

// Called through syscall(): glibc 2.36's <sys/pidfd.h> is not C++-ready, and
// older libraries lack the wrapper. A pidfd is always close-on-exec.
UniqueFd OpenProcessWatch(int pid) {
  if (pid <= 0) return UniqueFd();
  return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
}

bool AwaitReadable(int fd, int timeoutMs) {
  if (fd < 0) return false;
  pollfd readable{fd, POLLIN, 0};
  return ::poll(&readable, 1, timeoutMs) > 0;
}

bool ReapProcess(int pid, ChildEnd* end) {
  if (pid <= 0) return true;
  for (;;) {
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == 0) return false;
    if (result == pid) {
      if (end) {
        const bool signalled = WIFSIGNALED(status);
        *end = {true, signalled, signalled ? WTERMSIG(status) : WEXITSTATUS(status)};
      }
      return true;
    }
    if (errno != EINTR) return true;  // ECHILD: nothing of ours to wait for
  }
}

// pgid 0 would hit the daemon's own group and 1 every process there is.
bool KillProcessGroup(int pgid) { return pgid > 1 && ::kill(-pgid, SIGKILL) == 0; }

namespace {

// The write ends SIGCHLD wakes, one per ChildEndSignal; -1 marks a free slot.
constexpr int kChildEndSlots = 8;
std::atomic<int> childEndWriteEnds[kChildEndSlots] = {-1, -1, -1, -1, -1, -1, -1, -1};
struct sigaction formerChildAction {};

// Wakes every owner, then hands the signal on to whoever caught it before
// (Qt's process support may have).
void OnChildEnd(int signalNumber, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  for (std::atomic<int>& slot : childEndWriteEnds) {
    if (const int fd = slot.load(); fd >= 0) {
      [[maybe_unused]] const auto written = ::write(fd, "c", 1);
    }
  }
  errno = savedErrno;
  if (formerChildAction.sa_flags & SA_SIGINFO) {
    if (formerChildAction.sa_sigaction) formerChildAction.sa_sigaction(signalNumber, info, context);
  } else if (formerChildAction.sa_handler != SIG_DFL && formerChildAction.sa_handler != SIG_IGN) {
    formerChildAction.sa_handler(signalNumber);
  }
}

// Once per process: the handler stays, since it does nothing without owners.
void CatchChildEnds() {
  static const bool kCaught = [] {
    struct sigaction action {};
    action.sa_sigaction = &OnChildEnd;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART | SA_NOCLDSTOP;
    return ::sigaction(SIGCHLD, &action, &formerChildAction) == 0;
  }();
  (void)kCaught;
}

}  // namespace

ChildEndSignal::ChildEndSignal() {
  WakePipe pipe = WakePipe::Open();
  if (!pipe.readEnd) return;
  for (int slot = 0; slot < kChildEndSlots; ++slot) {
    int expected = -1;
    if (childEndWriteEnds[slot].compare_exchange_strong(expected, pipe.writeEnd.get())) {
      slot_ = slot;
      pipe_ = std::move(pipe);
      CatchChildEnds();
      return;
    }
  }
}

// The slot is freed before the pipe closes (members go after this body), so
// that a handler that runs after this never writes into a descriptor that
// may since name another file.
ChildEndSignal::~ChildEndSignal() {
  if (slot_ >= 0) childEndWriteEnds[slot_].store(-1);
}

}  // namespace corvane::platform
