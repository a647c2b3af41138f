#include "ui/window_layout.h"

#include <cmath>

namespace corvane {
namespace {

constexpr int kInputMargin = 5;
constexpr double kTwipsPerInch = 1440.0;

}  // namespace

WindowLayout LayOut(int clientWidth, int clientHeight, const WindowLayout& previous) {
  WindowLayout layout = previous;
  layout.log.left = 0;
  layout.log.top = 0;
  layout.input.height = kInputLineHeightTwips;
  if (clientWidth >= 0) layout.log.width = clientWidth;
  if (const int height = clientHeight - layout.input.height; height >= 0)
    layout.log.height = height;
  layout.input.top = layout.log.top + layout.log.height - kInputMargin;
  layout.input.left = kInputMargin;
  if (const int width = clientWidth - 2 * kInputMargin; width >= 0) layout.input.width = width;
  return layout;
}

int TwipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

int PixelsToTwips(int pixels, double dpi) {
  return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi));
}

}  // namespace corvane
