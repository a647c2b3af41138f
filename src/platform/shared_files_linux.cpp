#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/shared_files.h"

namespace corvane::platform {
namespace {

constexpr int kOpenFlags = O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

FileTime ToFileTime(const struct timespec& time) {
  return FileTime(std::chrono::duration_cast<FileTime::duration>(
      std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec)));
}

EntryKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::Regular;
  if (S_ISDIR(mode)) return EntryKind::Directory;
  return EntryKind::Other;
}

Result<UniqueFd> OpenRegular(int dir, const std::string& name, int flags) {
  UniqueFd file(::openat(dir, name.c_str(), flags | kOpenFlags, 0666));
  // A link answers ELOOP, a FIFO without a peer ENXIO.
  if (!file)
    return errno == ELOOP || errno == ENXIO ? Failed("not a regular file") : SystemFailure(errno);
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) return SystemFailure(errno);
  if (!S_ISREG(st.st_mode)) return Failed("not a regular file");
  return file;
}

}  // namespace

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

Result<UniqueFd> OpenDirectory(const std::string& path) {
  UniqueFd dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir) return SystemFailure(errno);
  return dir;
}

Result<UniqueFd> OpenSubdirectory(int parent, const std::string& name, bool create,
                                  bool mustBeOwn) {
  if (create && ::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) {
    return SystemFailure(errno);
  }
  UniqueFd dir(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir) return errno == ELOOP ? Failed("a link, not a directory") : SystemFailure(errno);
  struct stat st {};
  if (::fstat(dir.get(), &st) != 0) return SystemFailure(errno);
  if (mustBeOwn && st.st_uid != ::geteuid()) return Failed("owned by another user");
  return dir;
}

Result<std::vector<SharedEntry>> ListEntries(int dir, std::size_t maxEntries) {
  // fdopendir takes over the descriptor it is given, so it gets a copy.
  const int copy = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (copy < 0) return SystemFailure(errno);
  DIR* stream = ::fdopendir(copy);
  if (stream == nullptr) {
    const int error = errno;
    ::close(copy);
    return SystemFailure(error);
  }
  std::vector<SharedEntry> entries;
  errno = 0;
  while (entries.size() < maxEntries) {
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    SharedEntry item{name, EntryKind::Other};
    if (entry->d_type == DT_REG) item.kind = EntryKind::Regular;
    if (entry->d_type == DT_DIR) item.kind = EntryKind::Directory;
    struct stat st {};
    if (entry->d_type == DT_UNKNOWN &&
        ::fstatat(dir, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      item.kind = KindOf(st.st_mode);
    }
    entries.push_back(std::move(item));
  }
  const int error = errno;
  ::closedir(stream);
  if (error != 0) return SystemFailure(error);
  return entries;
}

namespace {

// What a file system answers when it knows no no-replace rename.
bool NoReplaceUnknown(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}
// What it answers when it refuses hard links (EXDEV is a move too far).
bool LinksRefused(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

// The end of a failed move for an error that has its own outcome.
Result<MoveOutcome> FailedMove(int error) {
  if (error == ENOENT) return MoveOutcome::SourceGone;
  if (error == EEXIST) return MoveOutcome::TargetTaken;
  return SystemFailure(error);
}

// The name is ours from the exclusive create on: every other mover, a
// daemon on any machine included, gets EEXIST for it. The rename then
// replaces only our own empty file. The window left lies between the
// reservation and the rename (microseconds locally, a few round trips to a
// server): a writer that opens the name without O_EXCL loses what it
// writes, and a process that takes the empty file away (a daemon claiming
// it as a new arrival) leaves the name free for the rename, so that it gets
// an empty file of that name besides.
Result<MoveOutcome> MoveOverReservation(int fromDir, const std::string& from, int toDir,
                                        const std::string& to) {
  struct stat made {};
  {
    const UniqueFd reservation(
        ::openat(toDir, to.c_str(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0600));
    if (!reservation) {
      return errno == EEXIST ? Result<MoveOutcome>(MoveOutcome::TargetTaken) : SystemFailure(errno);
    }
    if (::fstat(reservation.get(), &made) != 0) {
      const int error = errno;
      ::unlinkat(toDir, to.c_str(), 0);
      return SystemFailure(error);
    }
    // Closed before the rename: an SMB server refuses to replace a file
    // that is still open (EBUSY).
  }
  if (::renameat(fromDir, from.c_str(), toDir, to.c_str()) == 0) return MoveOutcome::Moved;
  const int error = errno;
  // Removed only while it is still the empty file made above.
  struct stat now {};
  if (::fstatat(toDir, to.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == made.st_dev &&
      now.st_ino == made.st_ino && now.st_size == 0) {
    ::unlinkat(toDir, to.c_str(), 0);
  }
  return error == ENOENT ? Result<MoveOutcome>(MoveOutcome::SourceGone) : SystemFailure(error);
}

}  // namespace

Result<MoveOutcome> MoveWithoutReplacing(int fromDir, const std::string& from, int toDir,
                                         const std::string& to, NoReplaceWay firstWay) {
  if (firstWay == NoReplaceWay::Rename) {
    if (::renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0) {
      return MoveOutcome::Moved;
    }
    if (!NoReplaceUnknown(errno)) return FailedMove(errno);
    firstWay = NoReplaceWay::Link;
  }
  if (firstWay == NoReplaceWay::Link) {
    if (::linkat(fromDir, from.c_str(), toDir, to.c_str(), 0) == 0) {
      if (::unlinkat(fromDir, from.c_str(), 0) != 0 && errno != ENOENT) {
        return SystemFailure(errno);
      }
      return MoveOutcome::Moved;
    }
    if (!LinksRefused(errno)) return FailedMove(errno);
  }
  return MoveOverReservation(fromDir, from, toDir, to);
}

Result<MoveOutcome> MoveIntoOwnFolder(int fromDir, const std::string& from, int toDir,
                                      const std::string& to) {
  struct stat st {};
  if (::fstatat(toDir, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return MoveOutcome::TargetTaken;
  if (errno != ENOENT) return SystemFailure(errno);
  if (::renameat(fromDir, from.c_str(), toDir, to.c_str()) == 0) return MoveOutcome::Moved;
  if (errno == ENOENT) return MoveOutcome::SourceGone;
  return SystemFailure(errno);
}

Result<void> WriteNewFile(int dir, const std::string& name, std::string_view bytes) {
  Result<UniqueFd> file = OpenRegular(dir, name, O_WRONLY | O_CREAT | O_EXCL);
  if (!file) return Failure<Error>{file.error()};
  while (!bytes.empty()) {
    const ssize_t written = ::write(file->get(), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : ENOSPC;
      ::unlinkat(dir, name.c_str(), 0);
      return SystemFailure(error);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

Result<std::string> ReadSmallFile(int dir, const std::string& name, std::size_t maxBytes) {
  Result<UniqueFd> file = OpenRegular(dir, name, O_RDONLY);
  if (!file) return Failure<Error>{file.error()};
  // One byte more than allowed, so that a file too large is told apart.
  std::string text(maxBytes + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(file->get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SystemFailure(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) return Failed("larger than " + std::to_string(maxBytes) + " bytes");
  text.resize(got);
  return text;
}

Result<void> RemoveFile(int dir, const std::string& name) {
  if (::unlinkat(dir, name.c_str(), 0) != 0 && errno != ENOENT) return SystemFailure(errno);
  return {};
}

Result<UniqueFd> OpenLockedFile(int dir, const std::string& name) {
  Result<UniqueFd> file = OpenRegular(dir, name, O_WRONLY | O_CREAT);
  if (!file) return file;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;  // l_start and l_len 0: the whole file
  if (::fcntl(file->get(), F_SETLK, &lock) != 0) return SystemFailure(errno);
  return file;
}

Result<FileTime> TouchOpenFile(int fd) {
  // No times given: the file system takes its own "now" (an NFS client asks
  // the server to).
  if (::futimens(fd, nullptr) != 0) return SystemFailure(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return SystemFailure(errno);
  return ToFileTime(st.st_mtim);
}

Result<std::optional<FileTime>> ModificationTime(int dir, const std::string& name) {
  struct stat st {};
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return std::optional<FileTime>();
    return SystemFailure(errno);
  }
  return std::optional<FileTime>(ToFileTime(st.st_mtim));
}

}  // namespace corvane::platform
