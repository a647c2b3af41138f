#include "listctl/gradient.h"

#include <QImage>
#include <QRect>
#include <cstdint>

#include "listctl/gdi_surface.h"
#include "listctl/row_geometry.h"

namespace corvane {

namespace {

struct Rgb {
  int r, g, b;
};

Rgb Split(std::int32_t bgr) { return {bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF}; }

// Entry k of a ramp with n + 1 entries; n = 0 takes the middle of both ends.
class Ramp {
 public:
  Ramp(std::int32_t start, std::int32_t end, std::int64_t n)
      : start_(Split(start)), end_(Split(end)), n_(n) {}

  QRgb At(std::int64_t k) const {
    if (n_ == 0) {
      return qRgb(end_.r / 2 + start_.r / 2, end_.g / 2 + start_.g / 2, end_.b / 2 + start_.b / 2);
    }
    auto step = [&](int s, int e) { return static_cast<int>(s + (e - s) * k / n_); };
    return qRgb(step(start_.r, end_.r), step(start_.g, end_.g), step(start_.b, end_.b));
  }

 private:
  Rgb start_, end_;
  std::int64_t n_;
};

}  // namespace

// The ramp runs over the device pixels of the rectangle: one entry per
// device column or row, so that at ratio 1 it is the designed ramp pixel for
// pixel, and at a higher ratio the same ramp in finer steps.
void PaintGradient(QPainter& painter, int x, int y, int w, int h, std::int32_t start,
                   std::int32_t end, GradientDirection direction) {
  if (w < 1 || h < 1) return;
  const DeviceGrid grid(painter);
  const QRect device = grid.Rect(x, y, x + w, y + h);
  // Only the part inside the image is computed; a ramp entry depends on its
  // position alone, so clipping changes no pixel. The window is the image's
  // device rectangle.
  const QRect area = device & painter.window();
  if (area.isEmpty()) return;
  const std::int64_t dw = device.width(), dh = device.height();
  const std::int64_t n = direction == GradientDirection::LeftToRight   ? dw - 1
                         : direction == GradientDirection::TopToBottom ? dh - 1
                                                                       : dw + dh - 2;
  const Ramp ramp(start, end, n);
  QImage block(area.size(), QImage::Format_ARGB32);
  for (int row = 0; row < area.height(); ++row) {
    const std::int64_t fromTop = area.top() - device.top() + row;
    const std::int64_t fromBottom = dh - 1 - fromTop;
    auto* line = reinterpret_cast<QRgb*>(block.scanLine(row));
    for (int col = 0; col < area.width(); ++col) {
      const std::int64_t c = area.left() - device.left() + col;
      switch (direction) {
        case GradientDirection::LeftToRight: line[col] = ramp.At(c); break;
        case GradientDirection::TopToBottom: line[col] = ramp.At(fromTop); break;
        case GradientDirection::FromTopLeft: line[col] = ramp.At(fromTop + c); break;
        case GradientDirection::FromBottomLeft: line[col] = ramp.At(fromBottom + c); break;
        default: line[col] = qRgb(0, 0, 0); break;
      }
    }
  }
  painter.save();
  painter.resetTransform();
  painter.drawImage(area.topLeft(), block);
  painter.restore();
}

void DrawGradient(QPainter& painter, int x, int y, int w, int h, OleColor c1, OleColor c2,
                  GradientDirection direction, const QPalette& palette) {
  if (direction == GradientDirection::None) return;
  // Only system colours are translated; the ramp takes the low 24 bits.
  auto plain = [&](OleColor c) {
    return (c & 0x80000000u) ? TranslateColor(c, palette) : std::int32_t(c & 0xFFFFFFu);
  };
  const std::int32_t start = plain(c2);
  const std::int32_t end = plain(c1);
  if (direction == GradientDirection::MirroredLeftRight) {
    const int half = RoundEven(w / 2.0);
    PaintGradient(painter, x, y, half, h, start, end, GradientDirection::LeftToRight);
    PaintGradient(painter, RoundEven(x + w / 2.0 - 1), y, half, h, end, start,
                  GradientDirection::LeftToRight);
  } else if (direction == GradientDirection::MirroredTopBottom) {
    const int half = RoundEven(h / 2.0);
    PaintGradient(painter, x, y, w, half, start, end, GradientDirection::TopToBottom);
    PaintGradient(painter, x, RoundEven(y + h / 2.0 - 1), w, half, end, start,
                  GradientDirection::TopToBottom);
  } else {
    PaintGradient(painter, x, y, w, h, start, end, direction);
  }
}

}  // namespace corvane
