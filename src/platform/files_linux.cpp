#include <fcntl.h>
#include <stdio.h>  // renameat2, RENAME_NOREPLACE
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/shared_files.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

Result<std::string> ResolvedPath(const std::string& path) {
  if (path.empty()) return SystemFailure(ENOENT);
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                             &std::free);
  if (!resolved) return SystemFailure(errno);
  return std::string(resolved.get());
}

Result<void> AppendToRegularFile(const std::string& path, std::string_view bytes) {
  const UniqueFd file(::open(
      path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666));
  // A FIFO without a reader answers ENXIO to a non-blocking open.
  if (!file) return errno == ENXIO ? Failed("not a regular file") : SystemFailure(errno);
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) return SystemFailure(errno);
  if (!S_ISREG(st.st_mode)) return Failed("not a regular file");
  while (!bytes.empty()) {
    const ssize_t written = ::write(file.get(), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return SystemFailure(errno);
    if (written == 0) return SystemFailure(ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

Result<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!file) return SystemFailure(errno);
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) return SystemFailure(errno);
  if (!S_ISREG(st.st_mode)) return Failed("not a regular file");
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return Failed(tooLarge);
  // Read one byte more than allowed, so that a file still growing is caught.
  std::string text(maxBytes + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(file.get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SystemFailure(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) return Failed(tooLarge);
  text.resize(got);
  return text;
}

Result<void> CheckRegularOrAbsent(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
  return Failed("not a regular file");
}

// A full disk may take the bytes and refuse them only when they are
// synced; the probe is as large as a settings file gets.
Result<void> CheckReplaceable(const std::string& path) {
  const auto slash = path.rfind('/');
  std::string probe = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) +
                      "/.corvane-probe-XXXXXX";
  const UniqueFd file(::mkostemp(probe.data(), O_CLOEXEC));
  if (!file) return SystemFailure(errno);
  const std::string bytes(4096, '\n');
  errno = 0;
  const bool filled =
      ::write(file.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
      ::fsync(file.get()) == 0;
  const int fillError = filled ? 0 : errno != 0 ? errno : ENOSPC;
  ::unlink(probe.c_str());
  if (fillError != 0) return SystemFailure(fillError);
  const UniqueFd old(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!old && errno != ENOENT) return SystemFailure(errno);
  return {};
}

Result<EntryIdentity> IdentityOfEntry(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return SystemFailure(errno);
  constexpr std::int64_t kNsPerSecond = 1'000'000'000;
  return EntryIdentity{{st.st_dev, st.st_ino},
                       S_ISREG(st.st_mode),
                       st.st_size,
                       st.st_mtim.tv_sec * kNsPerSecond + st.st_mtim.tv_nsec};
}

Result<FileIdentity> IdentityOfDirectory(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return SystemFailure(errno);
  if (!S_ISDIR(st.st_mode)) return SystemFailure(ENOTDIR);
  return FileIdentity{st.st_dev, st.st_ino};
}

Result<void> MakeDirectories(const std::string& path) {
  // Every prefix ending before a "/", then the whole path.
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
      return SystemFailure(errno);
    }
    if (slash == std::string::npos) break;
  }
  if (const Result<FileIdentity> folder = IdentityOfDirectory(path); !folder) {
    return Failure<Error>{folder.error()};
  }
  return {};
}

Result<void> RenameWithoutReplacing(const std::string& from, const std::string& to) {
  const Result<MoveOutcome> moved = MoveWithoutReplacing(AT_FDCWD, from, AT_FDCWD, to);
  if (!moved) return Failure<Error>{moved.error()};
  if (*moved == MoveOutcome::SourceGone) return SystemFailure(ENOENT);
  if (*moved == MoveOutcome::TargetTaken) return SystemFailure(EEXIST);
  return {};
}

namespace {

Result<void> WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return SystemFailure(errno);
    if (written == 0) return SystemFailure(ENOSPC);
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return {};
}

// Copies the open file `source` of `expectedSize` bytes into `target`,
// flushed; fails unless the copy ends with exactly that many bytes.
Result<void> CopyContent(int source, int target, std::int64_t expectedSize,
                         const std::function<bool()>& stopRequested) {
  std::vector<char> block(std::size_t{1} << 20);
  std::int64_t copied = 0;
  for (;;) {
    if (stopRequested()) return Failed("the daemon stops");
    const ssize_t got = ::read(source, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return SystemFailure(errno);
    if (got == 0) break;
    if (Result<void> put = WriteAll(target, block.data(), static_cast<std::size_t>(got)); !put) {
      return put;
    }
    copied += got;
  }
  if (::fsync(target) != 0) return SystemFailure(errno);
  struct stat st {};
  if (::fstat(target, &st) != 0) return SystemFailure(errno);
  if (copied != expectedSize || st.st_size != expectedSize) {
    return Failed("the copy holds " + std::to_string(st.st_size) + " bytes instead of " +
                  std::to_string(expectedSize));
  }
  return {};
}

}  // namespace

Result<std::string> CopyIntoFolder(const std::string& from, const FileIdentity& expected,
                                   const std::string& folder,
                                   const std::function<bool()>& stopRequested) {
  const UniqueFd source(
      ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!source) return SystemFailure(errno);
  struct stat st {};
  if (::fstat(source.get(), &st) != 0) return SystemFailure(errno);
  if (!S_ISREG(st.st_mode) || FileIdentity{st.st_dev, st.st_ino} != expected) {
    return Failed("no longer the file that was handed over");
  }
  std::string copy = folder + (folder.ends_with('/') ? "" : "/") + ".corvane-move-XXXXXX";
  const UniqueFd target(::mkostemp(copy.data(), O_CLOEXEC));
  if (!target) return SystemFailure(errno);
  // mkostemp makes the file for its owner alone; the copy gets the
  // original's permissions (never a set-id bit).
  Result<void> copied = ::fchmod(target.get(), st.st_mode & 0777) == 0
                            ? CopyContent(source.get(), target.get(), st.st_size, stopRequested)
                            : SystemFailure(errno);
  if (!copied) {
    ::unlink(copy.c_str());
    return Failure<Error>{copied.error()};
  }
  return copy;
}

Result<void> RemoveEntry(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return SystemFailure(errno);
  return {};
}
}  // namespace corvane::platform
