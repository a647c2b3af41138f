#pragma once

#include <vector>

namespace corvane {

// A place and size on the screen, in pixels.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// A stored window place that can no longer be reached (its monitor was
// removed, the file was edited by hand) would leave the user without a
// window. A place is kept when a usable part of the window lies on one of
// the screens and its size fits the screens it could span; otherwise the
// window is centred on the primary screen at `designSize`.
PixelRect SafeGeometry(const PixelRect& stored, const std::vector<PixelRect>& screens,
                       const PixelRect& primary, const PixelRect& designSize);

}  // namespace corvane
