#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/change_events.h"

namespace corvane::platform {
namespace {

// Deletions and moves out are left out: they never make a file qualify, and
// the daemon's own commands cause them for every file they take away.
constexpr std::uint32_t kWatchMask = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW |
                                     IN_EXCL_UNLINK;

constexpr std::uint32_t kFileMask = IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_DONT_FOLLOW;

Failure<WatchFailure> FailureOf(int error) {
  switch (error) {
    case ENOSPC:
    case ENOMEM: return {WatchFailure::LimitReached};
    case ENOENT:
    case ENOTDIR:
    case ELOOP: return {WatchFailure::NotADirectory};
    default: return {WatchFailure::Failed};
  }
}

WatchResult AddWatch(int fd, const std::string& path, std::uint32_t mask) {
  if (fd < 0) return Failure<WatchFailure>{WatchFailure::Failed};
  const int watch = ::inotify_add_watch(fd, path.c_str(), mask);
  if (watch < 0) return FailureOf(errno);
  return watch;
}

ChangeKind KindOf(std::uint32_t mask) {
  if ((mask & IN_Q_OVERFLOW) != 0) return ChangeKind::Overflow;
  if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0) {
    return ChangeKind::Gone;
  }
  if ((mask & IN_ISDIR) != 0 && (mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
    return ChangeKind::NewDirectory;
  }
  if ((mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_MOVED_TO)) != 0) return ChangeKind::Completed;
  return ChangeKind::Changed;
}

// File systems whose changes made elsewhere never reach inotify here, by
// the magic numbers statfs reports (linux/magic.h and the file systems'
// own headers).
constexpr std::array<unsigned long, 13> kWithoutEvents = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x65735546,  // FUSE (sshfs, virtiofs, GlusterFS, ...)
    0x73757245,  // Coda
    0x5346414F,  // AFS
    0x6B414653,  // kAFS
    0x00C36400,  // Ceph
    0x01021997,  // 9p
    0x564C,      // NCP
    0x786F4256,  // VirtualBox shared folders
    0x47504653,  // GPFS
};

}  // namespace

ChangeEvents::ChangeEvents() : fd_(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {}

WatchResult ChangeEvents::Add(const std::string& directory) {
  return AddWatch(fd_.get(), directory, kWatchMask);
}

WatchResult ChangeEvents::AddFile(const std::string& path) {
  return AddWatch(fd_.get(), path, kFileMask);
}

void ChangeEvents::Remove(int watch) {
  if (fd_ && watch >= 0) ::inotify_rm_watch(fd_.get(), watch);
}

void ChangeEvents::Read(std::vector<ChangeEvent>& events) {
  if (!fd_) return;
  alignas(struct inotify_event) std::array<char, 64 * 1024> buffer;
  // Bounded, so that a storm cannot keep the caller here: what is left
  // makes the descriptor readable again.
  for (int reads = 0; reads < 16; ++reads) {
    const ssize_t got = ::read(fd_.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      inotify_event header;
      std::memcpy(&header, buffer.data() + at, sizeof header);
      events.push_back({header.wd, KindOf(header.mask)});
      at += static_cast<ssize_t>(sizeof header + header.len);  // the name is skipped
    }
  }
}

bool FileSystemDeliversEvents(const std::string& directory) {
  struct statfs info {};
  if (::statfs(directory.c_str(), &info) != 0) return true;
  const auto type = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFUL;
  for (const unsigned long without : kWithoutEvents) {
    if (type == without) return false;
  }
  return true;
}

}  // namespace corvane::platform
