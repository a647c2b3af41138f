#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/files.h"
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

Result<FileFacts> LookAtFile(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return SystemFailure(errno);
  constexpr long long kNsPerSecond = 1'000'000'000;
  return FileFacts{
      static_cast<long long>(status.st_size),
      static_cast<long long>(status.st_mtim.tv_sec) * kNsPerSecond + status.st_mtim.tv_nsec,
      static_cast<unsigned long long>(status.st_ino)};
}

}  // namespace corvane::platform
