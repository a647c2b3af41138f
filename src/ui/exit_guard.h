#pragma once

#include <functional>

namespace corvane {

// Qt's window system plugins end the process when the display connection
// breaks (the X server or the compositor ended), without returning to the
// event loop: on X11 with exit() from the event loop, on Wayland with
// _exit(), which runs no exit handlers, right after a fixed warning, from
// whichever thread met the broken connection. While a guard lives, its
// `lastWords` run at such an end, once, always on the thread that made the
// guard (a Wayland warning on another thread hands them to that thread's
// event loop and waits for them for half a second). They must need neither
// the event loop nor the display. An orderly end destroys the guard first,
// so that they do not run then. One guard at a time; the first guard
// installs a Qt message handler that hands every message on to the one
// installed before it.
class ExitGuard {
 public:
  explicit ExitGuard(std::function<void()> lastWords);
  ~ExitGuard();
  ExitGuard(const ExitGuard&) = delete;
  ExitGuard& operator=(const ExitGuard&) = delete;

 private:
  std::function<void()> lastWords_;
};

}  // namespace corvane
