#pragma once

// The control's gradients: integer colour ramps written as pixels.

#include <QPainter>
#include <QPalette>
#include <cstdint>

#include "listctl/ole_color.h"

namespace corvane {

// BackGradient and SelGradient; stored as its number.
enum class GradientDirection : std::int32_t {
  None,  // no gradient
  LeftToRight,
  MirroredLeftRight,  // to the middle and back
  TopToBottom,
  MirroredTopBottom,
  FromTopLeft,     // diagonal from the top-left corner
  FromBottomLeft,  // diagonal from the bottom-left corner
};

// One ramp from `start` to `end` (both 0x00BBGGRR) over the rectangle; a
// mirrored direction fills it black (DrawGradient paints it as two ramps).
void PaintGradient(QPainter& painter, int x, int y, int w, int h, std::int32_t start,
                   std::int32_t end, GradientDirection direction);

// The control's gradient fill: runs from `c2` to `c1`, so a gradient starts
// in the ...GradientCol colour and ends in the back or selection colour.
void DrawGradient(QPainter& painter, int x, int y, int w, int h, OleColor c1, OleColor c2,
                  GradientDirection direction, const QPalette& palette);

}  // namespace corvane
