#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/platform/platform.h"

namespace corvane::platform {

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::string ResolvedPath(const std::string& path) {
  if (path.empty()) return {};
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string result(resolved);
  std::free(resolved);
  return result;
}

// ---- Processes -------------------------------------------------------------

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
Spawned SpawnProcess(const std::vector<std::string>& args, CommandOutput output) {
  if (args.empty()) return {-1, "no program named"};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  SpawnSetup setup;
  if (!Prepare(setup, output)) return {-1, "the start could not be prepared"};
  pid_t pid = -1;
  // posix_spawnp reports its error as its result, not in errno.
  if (const int error =
          ::posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
      error != 0) {
    return {-1, std::strerror(error)};
  }
  return {pid, ""};
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

bool ReapProcess(int pid) {
  if (pid <= 0) return true;
  for (;;) {
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == 0) return false;
    if (result == pid) return true;
    if (errno != EINTR) return true;  // ECHILD: nothing of ours to wait for
  }
}

// pgid 0 would hit the daemon's own group and 1 every process there is.
bool KillProcessGroup(int pgid) { return pgid > 1 && ::kill(-pgid, SIGKILL) == 0; }

void UniqueFd::Reset(int fd) noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

namespace {

void CloseDescriptor(int fd) {
  if (fd >= 0) ::close(fd);
}

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
  static const bool caught = [] {
    struct sigaction action {};
    action.sa_sigaction = &OnChildEnd;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART | SA_NOCLDSTOP;
    return ::sigaction(SIGCHLD, &action, &formerChildAction) == 0;
  }();
  (void)caught;
}

void DrainPipe(int fd) {
  char buffer[256];
  while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

ChildEndSignal::ChildEndSignal() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  for (int slot = 0; slot < kChildEndSlots; ++slot) {
    int expected = -1;
    if (childEndWriteEnds[slot].compare_exchange_strong(expected, ends[1])) {
      slot_ = slot;
      readEnd_ = ends[0];
      writeEnd_ = ends[1];
      CatchChildEnds();
      return;
    }
  }
  ::close(ends[0]);
  ::close(ends[1]);
}

// The slot is freed before its write end closes, so that a handler that
// runs after this never writes into a descriptor that may since name
// another file.
ChildEndSignal::~ChildEndSignal() {
  if (slot_ < 0) return;
  childEndWriteEnds[slot_].store(-1);
  ::close(writeEnd_);
  ::close(readEnd_);
}

void ChildEndSignal::Drain() const { DrainPipe(readEnd_); }

// ---- End of processes ------------------------------------------------------

// ---- Files -----------------------------------------------------------------

namespace {

FileStatus ToFileStatus(const struct stat& st) {
  FileStatus status;
  status.device = st.st_dev;
  status.inode = st.st_ino;
  status.isDirectory = S_ISDIR(st.st_mode);
  status.isRegular = S_ISREG(st.st_mode);
  status.isLink = S_ISLNK(st.st_mode);
  status.ownerWritable = (st.st_mode & S_IWUSR) != 0;
  status.mtimeSeconds = st.st_mtim.tv_sec;
  return status;
}

DIR* AsDir(void* dir) { return static_cast<DIR*>(dir); }

bool IsOutOfDescriptors(int error) { return error == EMFILE || error == ENFILE; }

// Closes a descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace

DirectoryListing::DirectoryListing(const std::string& path) {
  Adopt(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
}

DirectoryListing::DirectoryListing(const DirectoryListing& parent, const std::string& name) {
  if (!parent.dir_) return;
  Adopt(::openat(::dirfd(AsDir(parent.dir_)), name.c_str(),
                 O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
}

void DirectoryListing::Adopt(int fd) {
  if (fd < 0) {
    outOfDescriptors_ = IsOutOfDescriptors(errno);
    return;
  }
  dir_ = ::fdopendir(fd);
  if (!dir_) {
    outOfDescriptors_ = IsOutOfDescriptors(errno);
    ::close(fd);
  }
}

DirectoryListing::~DirectoryListing() {
  if (dir_) ::closedir(AsDir(dir_));
}

bool DirectoryListing::Identity(unsigned long long& device, unsigned long long& inode) const {
  struct stat st {};
  if (!dir_ || ::fstat(::dirfd(AsDir(dir_)), &st) != 0) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

bool DirectoryListing::Next(std::string& name, EntryType& type) {
  if (!dir_) return false;
  while (const dirent* entry = ::readdir(AsDir(dir_))) {
    const std::string_view entryName(entry->d_name);
    if (entryName == "." || entryName == "..") continue;
    name.assign(entryName);
    switch (entry->d_type) {
      case DT_DIR: type = EntryType::Directory; break;
      case DT_REG: type = EntryType::Regular; break;
      case DT_LNK:
      case DT_UNKNOWN: type = EntryType::Unknown; break;
      default: type = EntryType::Other; break;
    }
    return true;
  }
  return false;
}

bool DirectoryListing::Status(const std::string& name, FileStatus& status) const {
  struct stat st {};
  if (!dir_ || ::fstatat(::dirfd(AsDir(dir_)), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return false;
  }
  status = ToFileStatus(st);
  return true;
}

bool DirectoryListing::IsCompressed(const std::string& name) const {
  if (!dir_) return false;
  struct statx stx {};
  if (::statx(::dirfd(AsDir(dir_)), name.c_str(), AT_STATX_DONT_SYNC | AT_SYMLINK_NOFOLLOW, 0,
              &stx) != 0) {
    return false;
  }
  return (stx.stx_attributes_mask & STATX_ATTR_COMPRESSED) &&
         (stx.stx_attributes & STATX_ATTR_COMPRESSED);
}

// /proc/PID/fd/N are links to what each descriptor holds: followed here,
// since the target is what counts.
bool ForeignOpenFiles::IsOpenElsewhere(unsigned long long device, unsigned long long inode) {
  if (!loaded_) {
    loaded_ = true;
    const std::string self = std::to_string(::getpid());
    DirectoryListing proc("/proc");
    std::string pid;
    EntryType type;
    while (proc.Next(pid, type)) {
      if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
      const std::string fdDir = "/proc/" + pid + "/fd/";
      DirectoryListing fds(fdDir);
      std::string fd;
      struct stat st {};
      while (fds.Next(fd, type)) {
        if (::stat((fdDir + fd).c_str(), &st) == 0) open_.emplace_back(st.st_dev, st.st_ino);
      }
    }
  }
  return std::find(open_.begin(), open_.end(), std::make_pair(device, inode)) != open_.end();
}

namespace {

// A write lease is granted only while no other open file description of the
// file exists, for reading or writing. Nullopt where leases are refused.
std::optional<bool> NobodyElseHasItOpen(int fd) {
  if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    return true;
  }
  if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
  return std::nullopt;
}

bool IsListedFile(int fd, const FileStatus& listed) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == listed.device &&
         st.st_ino == listed.inode;
}

}  // namespace

// The entry may have been swapped for a link, a FIFO or a device since it
// was listed: O_NOFOLLOW refuses a link, O_NONBLOCK keeps a FIFO from
// blocking the open, and the descriptor's own status must be the file the
// listing saw before anything else is done with it. Read-only: closing a
// descriptor opened for writing raises a change event (IN_CLOSE_WRITE),
// which would wake a watched point again and again.
Exclusive DirectoryListing::TestExclusive(const std::string& name, const FileStatus& listed,
                                          ForeignOpenFiles& foreign) const {
  if (!dir_ || !listed.isRegular || !listed.ownerWritable) return Exclusive::No;
  const Descriptor file(::openat(::dirfd(AsDir(dir_)), name.c_str(),
                                 O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
  if (file.get() < 0)
    return IsOutOfDescriptors(errno) ? Exclusive::OutOfDescriptors : Exclusive::No;
  if (!IsListedFile(file.get(), listed)) return Exclusive::No;
  const std::optional<bool> alone = NobodyElseHasItOpen(file.get());
  if (alone.has_value() && !*alone) return Exclusive::No;
  if (!alone.has_value() && foreign.IsOpenElsewhere(listed.device, listed.inode)) {
    return Exclusive::No;
  }
  return ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 ? Exclusive::Yes : Exclusive::No;
}

std::string AppendToRegularFile(const std::string& path, std::string_view bytes) {
  const Descriptor file(::open(
      path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666));
  // A FIFO without a reader answers ENXIO to a non-blocking open.
  if (file.get() < 0) return errno == ENXIO ? "not a regular file" : ErrorText(errno);
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) return ErrorText(errno);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  while (!bytes.empty()) {
    const ssize_t written = ::write(file.get(), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return ErrorText(errno);
    if (written == 0) return ErrorText(ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

std::string ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content) {
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return ErrorText(errno);
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) return ErrorText(errno);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return tooLarge;
  // Read one byte more than allowed, so that a file still growing is caught.
  std::string text(maxBytes + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(file.get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrorText(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) return tooLarge;
  text.resize(got);
  content = std::move(text);
  return {};
}

std::string NotARegularFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
  return "not a regular file";
}

// A full disk may take the bytes and refuse them only when they are
// synced; the probe is as large as a settings file gets.
std::string ReplaceProblem(const std::string& path) {
  const auto slash = path.rfind('/');
  std::string probe = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) +
                      "/.corvane-probe-XXXXXX";
  const Descriptor file(::mkostemp(probe.data(), O_CLOEXEC));
  if (file.get() < 0) return ErrorText(errno);
  const std::string bytes(4096, '\n');
  errno = 0;
  const bool filled =
      ::write(file.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
      ::fsync(file.get()) == 0;
  const int fillError = filled ? 0 : errno != 0 ? errno : ENOSPC;
  ::unlink(probe.c_str());
  if (fillError != 0) return ErrorText(fillError);
  const Descriptor old(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (old.get() < 0 && errno != ENOENT) return ErrorText(errno);
  return {};
}

void IgnoreLeaseBreakSignal() { ::signal(SIGIO, SIG_IGN); }

// ---- Instance lock ---------------------------------------------------------

std::string InstanceLockPath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* temp = std::getenv("TMPDIR");
  std::string dir = runtime && *runtime ? runtime : temp && *temp ? temp : "/tmp";
  if (!dir.ends_with('/')) dir += '/';
  return dir + name;
}

int LockInstanceFile(const std::string& name) {
  const int fd = ::open(InstanceLockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void UnlockInstanceFile(int fd) {
  if (fd < 0) return;
  ::flock(fd, LOCK_UN);
  ::close(fd);
}

// ---- Stop signals ----------------------------------------------------------

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

StopSignals::StopSignals() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    readEnd_ = ends[0];
    stopSignalWriteEnd.store(ends[1]);
  }
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

// The handler loses its write end before either end closes, so no signal
// can write into a closed (or reused) descriptor. The handler itself stays:
// a stop signal after this only sets the flag.
StopSignals::~StopSignals() {
  CloseDescriptor(stopSignalWriteEnd.exchange(-1));
  CloseDescriptor(readEnd_);
}

void StopSignals::Drain() const { DrainPipe(readEnd_); }

bool StopSignalPending() { return stopSignalPending != 0; }

std::string PendingStopSignalName() {
  switch (stopSignalPending) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return {};
  }
}

// ---- Console ---------------------------------------------------------------

int StandardInputDescriptor() { return STDIN_FILENO; }

InputRead ReadInput(int fd, std::string& chunk, std::size_t maxBytes) {
  const std::size_t old = chunk.size();
  chunk.resize(old + maxBytes);
  ssize_t got = -1;
  do {
    got = ::read(fd, chunk.data() + old, maxBytes);
  } while (got < 0 && errno == EINTR);
  chunk.resize(old + (got > 0 ? static_cast<std::size_t>(got) : 0));
  if (got > 0) return InputRead::Data;
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return InputRead::NothingYet;
  return InputRead::EndOfInput;
}

void SetTerminalTitle(const std::string& title) {
  if (!StdoutIsTerminal()) return;
  std::string sequence = "\x1b]0;";
  for (char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) sequence += c;
  }
  sequence += '\a';
  std::size_t done = 0;
  while (done < sequence.size()) {
    const ssize_t written = ::write(STDOUT_FILENO, sequence.data() + done, sequence.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    done += static_cast<std::size_t>(written);
  }
}
// ---- End of console --------------------------------------------------------

}  // namespace corvane::platform
