#include "listctl/gdi_surface.h"

#include <QFontMetrics>
#include <QPoint>
#include <algorithm>
#include <vector>

namespace corvane {

QRect EdgeRect(long long left, long long top, long long right, long long bottom) {
  if (right <= left || bottom <= top) return {};
  // Far beyond any surface; keeps QRect's arithmetic inside int.
  static constexpr long long kFar = 1 << 28;
  auto clamp = [](long long v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); };
  return QRect(QPoint(clamp(left), clamp(top)), QPoint(clamp(right - 1), clamp(bottom - 1)));
}

void FillFramed(QPainter& painter, int left, int top, int right, int bottom, QRgb pen, QRgb brush) {
  const QRect r = EdgeRect(left, top, right, bottom);
  if (r.isEmpty()) return;
  painter.fillRect(r, QColor::fromRgb(brush));
  const QColor outline = QColor::fromRgb(pen);
  painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), outline);
  painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), outline);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), outline);
  painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), outline);
}

void DrawFocusRect(QPainter& painter, int left, int top, int right, int bottom) {
  const QRect r = EdgeRect(left, top, right, bottom) & painter.window().adjusted(-1, -1, 1, 1);
  if (r.isEmpty()) return;
  std::vector<QPoint> dots;
  auto dot = [&](int x, int y) {
    if ((x - r.left() + y - r.top()) % 2 == 0) dots.emplace_back(x, y);
  };
  for (int x = r.left(); x <= r.right(); ++x) {
    dot(x, r.top());
    if (r.bottom() != r.top()) dot(x, r.bottom());
  }
  for (int y = r.top() + 1; y < r.bottom(); ++y) {
    dot(r.left(), y);
    if (r.right() != r.left()) dot(r.right(), y);
  }
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QColor(Qt::white));
  painter.drawPoints(dots.data(), static_cast<int>(dots.size()));
  painter.restore();
}

void DrawHorizontalLine(QPainter& painter, int x0, int x1, int y, QRgb color) {
  painter.fillRect(EdgeRect(x0, y, x1, y + 1LL), QColor::fromRgb(color));
}

void DrawVerticalLine(QPainter& painter, int x, int y0, int y1, QRgb color) {
  painter.fillRect(EdgeRect(x, y0, x + 1LL, y1), QColor::fromRgb(color));
}

void DrawFormattedText(QPainter& painter, const QRect& rect, const QString& text, int format) {
  if (rect.isEmpty()) return;
  int flags = 0;
  flags |= (format & TextFormat::kCenter)  ? Qt::AlignHCenter
           : (format & TextFormat::kRight) ? Qt::AlignRight
                                           : Qt::AlignLeft;
  flags |= (format & TextFormat::kVerticalCenter) ? Qt::AlignVCenter
           : (format & TextFormat::kBottom)       ? Qt::AlignBottom
                                                  : Qt::AlignTop;
  if (format & TextFormat::kWordBreak) flags |= Qt::TextWordWrap;
  if (format & TextFormat::kSingleLine) flags |= Qt::TextSingleLine;
  QString shown = text;
  if (format & TextFormat::kEndEllipsis) {
    shown = QFontMetrics(painter.font()).elidedText(text, Qt::ElideRight, rect.width());
  }
  painter.drawText(rect, flags, shown);
}

}  // namespace corvane
