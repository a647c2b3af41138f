#pragma once

// Every descriptor the platform layer opens is held, and closed, by a
// UniqueFd; a pipe that signal handlers write into by a WakePipe.

#include <utility>

namespace corvane::platform {

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

  // Borrowed: stays owned (and is closed) by this object.
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Closes the descriptor held and holds fd instead.
  void Reset(int fd = -1) noexcept;
  // Gives the descriptor up without closing it.
  int Release() noexcept { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

// Both ends of a non-blocking, close-on-exec pipe through which a signal
// handler wakes the event loop. Empty ends when the system gave no pipe.
struct WakePipe {
  UniqueFd readEnd;
  UniqueFd writeEnd;

  static WakePipe Open();
  // Takes what the read end holds, so that it is not reported again.
  void Drain() const;
};

}  // namespace corvane::platform
