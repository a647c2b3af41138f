#include "ui/safe_geometry.h"

#include <algorithm>

namespace corvane {
namespace {

// Enough of the window on a screen to take its title bar with the mouse.
constexpr int kMinVisibleWidth = 48;
constexpr int kMinVisibleHeight = 24;
// Smaller than this and neither the log view nor the input line is usable.
constexpr int kMinWidth = 100;
constexpr int kMinHeight = 60;

int Overlap(int start1, int length1, int start2, int length2) {
  return std::min(start1 + length1, start2 + length2) - std::max(start1, start2);
}

bool ShowsEnoughOn(const PixelRect& window, const PixelRect& screen) {
  return Overlap(window.left, window.width, screen.left, screen.width) >= kMinVisibleWidth &&
         Overlap(window.top, window.height, screen.top, screen.height) >= kMinVisibleHeight;
}

// The bounding box of all screens: a window larger than that is absurd.
PixelRect Desktop(const std::vector<PixelRect>& screens) {
  if (screens.empty()) return {};
  int left = screens.front().left, top = screens.front().top;
  int right = left + screens.front().width, bottom = top + screens.front().height;
  for (const PixelRect& s : screens) {
    left = std::min(left, s.left);
    top = std::min(top, s.top);
    right = std::max(right, s.left + s.width);
    bottom = std::max(bottom, s.top + s.height);
  }
  return {left, top, right - left, bottom - top};
}

bool Usable(const PixelRect& window, const std::vector<PixelRect>& screens) {
  const PixelRect desktop = Desktop(screens);
  if (window.width < kMinWidth || window.height < kMinHeight) return false;
  if (window.width > desktop.width || window.height > desktop.height) return false;
  return std::any_of(screens.begin(), screens.end(),
                     [&window](const PixelRect& screen) { return ShowsEnoughOn(window, screen); });
}

}  // namespace

PixelRect SafeGeometry(const PixelRect& stored, const std::vector<PixelRect>& screens,
                       const PixelRect& primary, const PixelRect& designSize) {
  if (Usable(stored, screens)) return stored;
  return {primary.left + (primary.width - designSize.width) / 2,
          primary.top + (primary.height - designSize.height) / 2, designSize.width,
          designSize.height};
}

}  // namespace corvane
