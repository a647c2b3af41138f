#pragma once

// Every call into the operating system that the core makes goes through this
// header; platform_linux.cpp implements it with POSIX and Linux calls.
// Paths are byte strings: Linux file names need not be valid UTF-8.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::platform {

// True when a file or directory exists under the path (links are followed).
bool PathExists(const std::string& path);

// The absolute path of what `path` names, with every ".", ".." and link
// resolved (realpath); "" when it cannot be resolved (nothing there, a part
// that may not be searched).
std::string ResolvedPath(const std::string& path);

// True when standard output is a terminal (for bold text and the title).
bool StdoutIsTerminal();

// ---- Processes -------------------------------------------------------------
// A started command is known by its pid, which is also the id of the process
// group it leads. Only the pids handed out by SpawnProcess are ever waited
// for: the daemon never collects "any child", since other parts may own
// children of their own.

// Where a started command's standard output and standard error go: to the
// daemon's standard error (console mode: never into the log lines on
// standard output), or nowhere (window mode).
enum class CommandOutput { DaemonStderr, Discard };

// A descriptor that closes itself; -1 holds none.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  ~UniqueFd() { Reset(); }

  int get() const { return fd_; }
  // Closes the descriptor held and holds fd instead.
  void Reset(int fd = -1) noexcept;

 private:
  int fd_ = -1;
};

// The outcome of a start: the pid, or -1 and why the start failed (the
// system's text for the error).
struct Spawned {
  int pid = -1;
  std::string failure;
};

// Starts args[0] with args as its arguments. A name without "/" is looked
// up in PATH. The command leads a new process group of its own; its standard
// input is /dev/null, its output goes where `output` says, and its signal
// dispositions and mask are the defaults. A program that cannot be started
// (missing, not executable, a directory, empty args) is known on return:
// nothing runs then.
Spawned SpawnProcess(const std::vector<std::string>& args, CommandOutput output);

// A close-on-exec descriptor that becomes readable when the process ends
// (a pidfd); none where the system offers none.
UniqueFd OpenProcessWatch(int pid);

// Blocks until fd is readable or timeoutMs has passed; false on the timeout,
// on a signal, or for no descriptor.
bool AwaitReadable(int fd, int timeoutMs);

// Collects the exit status of the child pid when it has ended. True when the
// child is gone: collected now, or not (or no longer) a child to wait for.
// False while it runs. Never blocks.
bool ReapProcess(int pid);

// Sends SIGKILL to every process of the group pgid: the command, and whatever
// it started without leaving the group. True when the system accepted it.
bool KillProcessGroup(int pgid);

// Tells that some child has ended, with one pipe for all of them: SIGCHLD
// writes a byte into it. Children are then collected by pid (ReapProcess).
// Several may exist at a time (up to a small number; beyond it ReadEnd is
// -1 and the owner has to look on its own).
class ChildEndSignal {
 public:
  ChildEndSignal();
  ~ChildEndSignal();
  ChildEndSignal(const ChildEndSignal&) = delete;
  ChildEndSignal& operator=(const ChildEndSignal&) = delete;

  // Close-on-exec; readable once a child has ended since the last Drain.
  int ReadEnd() const { return readEnd_; }
  void Drain() const;

 private:
  int readEnd_ = -1;
  int writeEnd_ = -1;
  int slot_ = -1;
};
// ---- End of processes ------------------------------------------------------

// ---- Files -----------------------------------------------------------------

// What a directory listing says of an entry without asking for its status.
enum class EntryType { Directory, Regular, Other, Unknown };

// The status of an entry itself: a symbolic link is never followed and
// reports as a link, whatever it points to.
struct FileStatus {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  bool isDirectory = false;
  bool isRegular = false;
  bool isLink = false;
  bool ownerWritable = false;
  long long mtimeSeconds = 0;  // last write, seconds since the epoch
};

// What the exclusive test found.
enum class Exclusive { Yes, No, OutOfDescriptors };

class ForeignOpenFiles;

// One open directory, read entry by entry in the file system's order. The
// descriptor is close-on-exec. A directory that cannot be opened lists
// nothing.
class DirectoryListing {
 public:
  // The path's last part may be a link to a directory (a point's own
  // directory is what the user configured).
  explicit DirectoryListing(const std::string& path);
  // The sub-directory `name` of `parent`, never through a link: when the
  // entry was swapped for a link since it was listed, nothing is opened.
  DirectoryListing(const DirectoryListing& parent, const std::string& name);
  ~DirectoryListing();
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  // True when the open failed only because the process or the system ran
  // out of descriptors: the directory was not looked at, and should be.
  bool OutOfDescriptors() const { return outOfDescriptors_; }
  // The directory's own device and inode.
  bool Identity(unsigned long long& device, unsigned long long& inode) const;
  // The next entry other than "." and ".."; false at the end. A link, or an
  // entry whose type the file system does not tell, is Unknown.
  bool Next(std::string& name, EntryType& type);
  // Status of an entry of this directory (links not followed); false when
  // it is gone.
  bool Status(const std::string& name, FileStatus& status) const;
  // Whether the file system marks the entry as compressed (btrfs, f2fs).
  bool IsCompressed(const std::string& name) const;

  // Yes when the entry `name`, still the regular, owner-writable file that
  // `listed` describes (same device and inode), is open in no other process
  // and locked by nobody: a write lease is granted (or, where leases are
  // refused, no other process has it open) and an exclusive flock is free.
  // Opens without following a link and without blocking, and keeps nothing
  // open that turns out not to be that file.
  Exclusive TestExclusive(const std::string& name, const FileStatus& listed,
                          ForeignOpenFiles& foreign) const;

 private:
  void Adopt(int fd);

  void* dir_ = nullptr;  // DIR*
  bool outOfDescriptors_ = false;
};

// The files other processes hold open, by device and inode, read once from
// /proc/*/fd when first asked. For file systems that refuse leases.
class ForeignOpenFiles {
 public:
  bool IsOpenElsewhere(unsigned long long device, unsigned long long inode);

 private:
  bool loaded_ = false;
  std::vector<std::pair<unsigned long long, unsigned long long>> open_;
};

// Appends `bytes` to the regular file at `path` (links followed), creating
// it when missing. Never blocks and never writes to anything else: a FIFO, a
// device or a directory is refused. "" when everything was written, else
// why not, in a few English words.
std::string AppendToRegularFile(const std::string& path, std::string_view bytes);

// Reads the regular file at `path` (links followed) into `content` when it
// holds at most `maxBytes`. Never blocks. "" on success, else why not;
// `content` is then left as it was.
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content);

// "" when nothing is at `path` or a regular file is (links followed); else
// why the path cannot be taken as a file to write.
std::string NotARegularFile(const std::string& path);

// Why a file at `path` cannot be replaced by a new one written beside it,
// as a store that writes atomically does: the system's reason for the first
// step that fails (making a file in its folder, filling it, opening the old
// file for writing), or "" when every step works now.
std::string ReplaceProblem(const std::string& path);

// A lease break would send SIGIO, whose default action ends the process.
void IgnoreLeaseBreakSignal();

// ---- Change events ---------------------------------------------------------
// One inotify descriptor for every watched directory. An event tells which
// watch saw it and what kind it is; the name of the entry it is about is
// read and thrown away, so no name from a watched tree ever reaches the core.

enum class ChangeKind {
  Completed,     // a file was closed after writing, or moved in: it may be complete
  Changed,       // an entry was created or changed attributes
  NewDirectory,  // a sub-directory was created or moved in
  Gone,          // the directory itself was deleted, moved or unmounted
  Overflow,      // the queue overflowed: events were lost (watch is -1)
};

struct ChangeEvent {
  int watch = -1;
  ChangeKind kind = ChangeKind::Changed;
};

enum class WatchResult {
  Ok,
  LimitReached,   // the user's watch limit (or the kernel's memory) is exhausted
  NotADirectory,  // missing, a link, or no directory
  Failed,
};

class ChangeEvents {
 public:
  ChangeEvents();
  ~ChangeEvents();
  ChangeEvents(const ChangeEvents&) = delete;
  ChangeEvents& operator=(const ChangeEvents&) = delete;

  // Close-on-exec and non-blocking; -1 when the system gave none.
  int Descriptor() const { return fd_; }
  // Watches the directory. A link is followed only where the path ends in
  // "/", as the system resolves paths. Watching the same directory again
  // returns the same watch.
  WatchResult Add(const std::string& directory, int& watch);
  // Watches a file (never through a link) for its close by whoever has it
  // open, whether they wrote to it or not.
  WatchResult AddFile(const std::string& path, int& watch);
  void Remove(int watch);
  // Appends the events waiting now (up to about a megabyte of them); never
  // blocks.
  void Read(std::vector<ChangeEvent>& events);

 private:
  int fd_ = -1;
};

// False for file systems where changes made elsewhere (another machine, a
// user-space server) raise no events: network file systems and FUSE.
// True when it cannot tell.
bool FileSystemDeliversEvents(const std::string& directory);
// ---- End of change events --------------------------------------------------

// ---- Instance lock ---------------------------------------------------------

// Takes an exclusive flock on the file `name` in $XDG_RUNTIME_DIR (else the
// temp directory), creating it when missing. Returns the descriptor, or -1
// when another process holds it. The kernel frees it when the process dies.
int LockInstanceFile(const std::string& name);
// Releases and closes it; the file stays.
void UnlockInstanceFile(int fd);
// Where LockInstanceFile puts `name`.
std::string InstanceLockPath(const std::string& name);

// ---- Stop signals ----------------------------------------------------------

// Catches SIGTERM, SIGINT and SIGHUP while it lives: each makes ReadEnd
// readable and StopSignalPending true. Also ignores SIGPIPE, so that a write
// to a closed pipe or terminal is an error and not the end of the daemon.
// One at a time. The destructor closes the pipe; the signals stay caught,
// so that one arriving later only sets the flag.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Close-on-exec; -1 when no pipe could be had (the flag still works).
  int ReadEnd() const { return readEnd_; }
  // Takes what the pipe holds, so that it is not reported again.
  void Drain() const;

 private:
  int readEnd_ = -1;
};

// True once a stop signal has arrived while a StopSignals lived. Safe to
// ask at any time, also while the event loop does not turn.
bool StopSignalPending();
// The name of the first stop signal that arrived ("SIGTERM"); empty when
// none has.
std::string PendingStopSignalName();

// ---- Console ---------------------------------------------------------------

// Standard input, from which console mode reads its commands.
int StandardInputDescriptor();

// What one read of an input descriptor brought.
enum class InputRead { Data, EndOfInput, NothingYet };

// Appends what `fd` holds now, at most `maxBytes`, to `chunk`. Never blocks
// when the descriptor was reported readable. A read error counts as the end
// of the input, since nothing more will come from it.
InputRead ReadInput(int fd, std::string& chunk, std::size_t maxBytes);

// Sets the terminal's title when standard output is a terminal; otherwise
// does nothing. Control characters of the title are left out, so that a
// name can never send the terminal a command.
void SetTerminalTitle(const std::string& title);
// ---- End of console --------------------------------------------------------

}  // namespace corvane::platform
