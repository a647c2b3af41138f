#pragma once

#include <functional>

namespace corvane {

// Qt's window system plugins end the process with exit() when the display
// connection breaks (the X server or the compositor ended), from the event
// loop and without returning to it. While a guard lives, its `lastWords`
// run at such an exit, before static objects go, when the exit comes on
// the thread that made the guard. They must need neither the event loop
// nor the display. An orderly end destroys the guard first, so that they
// do not run then. One guard at a time.
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
