#pragma once

#include <string>

namespace corvane {

// Balloon kinds; the numbers are the log levels that choose them.
enum class BalloonType { None = 0, Information = 1, Warning = 2, Error = 3 };

// What the core needs to know about the window and the notification area.
class DesktopHost {
 public:
  virtual ~DesktopHost() = default;
  virtual bool IsWindowVisible() const = 0;
  // Shows a balloon at the tray icon; false when there is nowhere to show it.
  virtual bool ShowBalloonTip(const std::string& text, int durationMs, BalloonType type) = 0;
};

}  // namespace corvane
