#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdlib>

#include "platform/instance_lock_file.h"

namespace corvane::platform {

std::string InstanceLockPath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* temp = std::getenv("TMPDIR");
  std::string dir = runtime && *runtime ? runtime : temp && *temp ? temp : "/tmp";
  if (!dir.ends_with('/')) dir += '/';
  return dir + name;
}

Result<UniqueFd> LockInstanceFile(const std::string& name) {
  UniqueFd fd(::open(InstanceLockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!fd) return SystemFailure(errno);
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return SystemFailure(errno);
  return fd;
}

void UnlockInstanceFile(UniqueFd lock) {
  if (lock) ::flock(lock.get(), LOCK_UN);
}

}  // namespace corvane::platform
