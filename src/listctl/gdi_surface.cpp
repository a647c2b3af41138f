#include "listctl/gdi_surface.h"

#include <QFontMetrics>
#include <QPoint>
#include <algorithm>
#include <cmath>
#include <vector>

namespace corvane {

QRect EdgeRect(long long left, long long top, long long right, long long bottom) {
  if (right <= left || bottom <= top) return {};
  // Far beyond any surface; keeps QRect's arithmetic inside int.
  static constexpr long long kFar = 1 << 28;
  auto clamp = [](long long v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); };
  return QRect(QPoint(clamp(left), clamp(top)), QPoint(clamp(right - 1), clamp(bottom - 1)));
}

LogicalPainter::LogicalPainter(QImage& image)
    : image_(image), ratio_(std::max<qreal>(1, image.devicePixelRatio())) {
  image_.setDevicePixelRatio(1);
  painter_.begin(&image_);
  painter_.scale(ratio_, ratio_);
}

LogicalPainter::~LogicalPainter() {
  painter_.end();
  image_.setDevicePixelRatio(ratio_);
}

// The small allowance keeps a product like 200 x 1.1 = 220.00000000000003
// from growing a column.
QImage DeviceImage(QSize logical, qreal ratio) {
  ratio = std::max<qreal>(1, ratio);
  auto device = [&](int v) { return static_cast<int>(std::ceil(v * ratio - 1e-6)); };
  QImage image(device(logical.width()), device(logical.height()), QImage::Format_ARGB32);
  image.setDevicePixelRatio(ratio);
  return image;
}

QSize LogicalSize(const QImage& image) {
  const qreal ratio = std::max<qreal>(1, image.devicePixelRatio());
  auto logical = [&](int v) { return static_cast<int>(std::floor(v / ratio + 1e-6)); };
  return {logical(image.width()), logical(image.height())};
}

DeviceGrid::DeviceGrid(const QPainter& painter)
    : ratio_(std::max<qreal>(1, painter.worldTransform().m11())),
      lineWidth_(static_cast<int>(std::floor(ratio_ + 0.5))) {}

int DeviceGrid::Edge(double logical) const {
  static constexpr double kFar = 1 << 28;
  return static_cast<int>(std::floor(std::clamp(logical * ratio_, -kFar, kFar) + 0.5));
}

QRect DeviceGrid::Rect(int left, int top, int right, int bottom) const {
  return EdgeRect(Edge(left), Edge(top), Edge(right), Edge(bottom));
}

void FillDevicePixels(QPainter& painter, const QRect& device, QRgb color) {
  if (device.isEmpty()) return;
  painter.save();
  painter.resetTransform();
  painter.fillRect(device, QColor::fromRgb(color));
  painter.restore();
}

void FillFramed(QPainter& painter, int left, int top, int right, int bottom, QRgb pen, QRgb brush) {
  const DeviceGrid grid(painter);
  const QRect r = grid.Rect(left, top, right, bottom);
  if (r.isEmpty()) return;
  const int t = grid.LineWidth();
  FillDevicePixels(painter, r, brush);
  FillDevicePixels(painter, QRect(r.left(), r.top(), r.width(), t) & r, pen);
  FillDevicePixels(painter, QRect(r.left(), r.bottom() - t + 1, r.width(), t) & r, pen);
  FillDevicePixels(painter, QRect(r.left(), r.top(), t, r.height()) & r, pen);
  FillDevicePixels(painter, QRect(r.right() - t + 1, r.top(), t, r.height()) & r, pen);
}

void DrawFocusRect(QPainter& painter, int left, int top, int right, int bottom) {
  const DeviceGrid grid(painter);
  const int t = grid.LineWidth();
  // The window is the image's device rectangle: the painter scales its world only.
  const QRect r = grid.Rect(left, top, right, bottom) & painter.window().adjusted(-t, -t, t, t);
  if (r.isEmpty()) return;
  std::vector<QPoint> dots;
  auto dotsIn = [&](const QRect& band) {
    for (int y = band.top(); y <= band.bottom(); ++y)
      for (int x = band.left(); x <= band.right(); ++x)
        if ((x - r.left() + y - r.top()) % 2 == 0) dots.emplace_back(x, y);
  };
  const QRect inner = r.adjusted(t, t, -t, -t);
  if (inner.isEmpty()) {
    dotsIn(r);  // all outline
  } else {
    dotsIn(QRect(r.left(), r.top(), r.width(), t));
    dotsIn(QRect(r.left(), inner.bottom() + 1, r.width(), t));
    dotsIn(QRect(r.left(), inner.top(), t, inner.height()));
    dotsIn(QRect(inner.right() + 1, inner.top(), t, inner.height()));
  }
  painter.save();
  painter.resetTransform();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QColor(Qt::white));
  painter.drawPoints(dots.data(), static_cast<int>(dots.size()));
  painter.restore();
}

void DrawHorizontalLine(QPainter& painter, int x0, int x1, int y, QRgb color) {
  const DeviceGrid grid(painter);
  const QRect span = EdgeRect(grid.Edge(x0), grid.Edge(y), grid.Edge(x1),
                              static_cast<long long>(grid.Edge(y)) + grid.LineWidth());
  FillDevicePixels(painter, span, color);
}

void DrawVerticalLine(QPainter& painter, int x, int y0, int y1, QRgb color) {
  const DeviceGrid grid(painter);
  const QRect span =
      EdgeRect(grid.Edge(x), grid.Edge(y0), static_cast<long long>(grid.Edge(x)) + grid.LineWidth(),
               grid.Edge(y1));
  FillDevicePixels(painter, span, color);
}

void DrawFormattedText(QPainter& painter, const QRect& rect, const QString& text, int format) {
  if (rect.isEmpty()) return;
  int flags = 0;
  flags |= (format & text_format::kCenter)  ? Qt::AlignHCenter
           : (format & text_format::kRight) ? Qt::AlignRight
                                            : Qt::AlignLeft;
  flags |= (format & text_format::kVerticalCenter) ? Qt::AlignVCenter
           : (format & text_format::kBottom)       ? Qt::AlignBottom
                                                   : Qt::AlignTop;
  if (format & text_format::kWordBreak) flags |= Qt::TextWordWrap;
  if (format & text_format::kSingleLine) flags |= Qt::TextSingleLine;
  QString shown = text;
  if (format & text_format::kEndEllipsis) {
    shown = QFontMetrics(painter.font()).elidedText(text, Qt::ElideRight, rect.width());
  }
  painter.drawText(rect, flags, shown);
}

}  // namespace corvane
