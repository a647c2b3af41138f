#pragma once

#include <string>

namespace corvane {

// What the console steers beyond the daemon core: the check timer that
// makes the daemon run, the orderly stop, and the caption. The start-up
// object implements it; tests use a fake.
class DaemonControl {
 public:
  virtual ~DaemonControl() = default;
  // Running means the check timer is enabled.
  virtual bool IsRunning() const = 0;
  virtual void SetRunning(bool run) = 0;
  virtual void QuitDaemon() = 0;
  // The window caption and tray tooltip (the terminal's title in console
  // mode).
  virtual void SetCaption(const std::string& caption) = 0;
};

}  // namespace corvane
