#include <fcntl.h>
#include <unistd.h>

#include "platform/unique_fd.h"

namespace corvane::platform {

void UniqueFd::Reset(int fd) noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

WakePipe WakePipe::Open() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return {};
  return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}

void WakePipe::Drain() const {
  char buffer[256];
  while (readEnd && ::read(readEnd.get(), buffer, sizeof buffer) > 0) {
  }
}

}  // namespace corvane::platform
