#pragma once

// The control's gradients: integer colour ramps written as pixels, in the
// directions 1 (left to right), 2 (mirrored left-right), 3 (top to bottom),
// 4 (mirrored top-bottom), 5 and 6 (diagonal from the top-left or the
// bottom-left corner). Direction 0 draws nothing; any other value fills the
// rectangle black.

#include <QPainter>
#include <QPalette>

#include "listctl/ole_color.h"

namespace corvane {

// One ramp from `start` to `end` (both 0x00BBGGRR) over the rectangle.
void PaintGradient(QPainter& painter, int x, int y, int w, int h, std::int32_t start,
                   std::int32_t end, int direction);

// The control's gradient fill: runs from `c2` to `c1`, so a gradient starts
// in the ...GradientCol colour and ends in the back or selection colour.
void DrawGradient(QPainter& painter, int x, int y, int w, int h, OleColor c1, OleColor c2,
                  int direction, const QPalette& palette);

}  // namespace corvane
