#pragma once

#include <cstdint>

namespace corvane {

// A place and size on the screen, in pixels.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The main window as the stored settings see it. The settings keep place
// and size in twips; the window answers in pixels and says how many dots
// its screen has per logical inch, so that the store can convert.
class WindowSettingsHost {
 public:
  virtual ~WindowSettingsHost() = default;

  // The window's place and size in its normal (not minimised or maximised)
  // state.
  virtual PixelRect Geometry() const = 0;
  virtual void SetGeometry(const PixelRect& geometry) = 0;
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
  virtual double LogicalDpi() const = 0;
  // 0 normal, 1 minimised, 2 maximised.
  virtual std::int16_t State() const = 0;
  virtual void SetState(std::int16_t state) = 0;
  virtual bool IsVisible() const = 0;
  // Switches the log view's background gradient off.
  virtual void SetNoBackground(bool off) = 0;
};

}  // namespace corvane
