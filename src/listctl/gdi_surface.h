#pragma once

// Drawing primitives with the pixel rules the control's looks depend on:
// rectangles that leave out their right and bottom edges, one-pixel lines
// without their end point, and a dotted focus rectangle that inverts the
// pixels it touches. All draw through a painter on the back image.
//
// Coordinates are logical pixels; the back image holds device pixels, its
// device pixel ratio more in each direction. A LogicalPainter scales its
// world transform by that ratio, and the primitives read it from there: a
// logical edge lands on the nearest device pixel edge, and a line one
// logical pixel wide is Round(ratio) device pixels, so that lines are crisp
// and equally thick at fractional ratios too. At ratio 1 every primitive
// writes exactly the pixels of its logical coordinates.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

namespace corvane {

// A painter in logical coordinates on an image of device pixels. While it
// paints, the image's ratio is 1 and the painter scales instead, so that the
// primitives below can reach single device pixels at any ratio; the image
// gets its ratio back when the painter ends. Ratios below 1 count as 1.
class LogicalPainter {
 public:
  explicit LogicalPainter(QImage& image);
  ~LogicalPainter();
  LogicalPainter(const LogicalPainter&) = delete;
  LogicalPainter& operator=(const LogicalPainter&) = delete;

  QPainter& operator*() { return painter_; }
  QPainter* operator->() { return &painter_; }

 private:
  QImage& image_;
  qreal ratio_;
  QPainter painter_;
};

// The image for a logical size at a device pixel ratio: whole device pixels
// covering it, carrying the ratio. LogicalSize gives the size back.
QImage DeviceImage(QSize logical, qreal ratio);
QSize LogicalSize(const QImage& image);

// Where logical coordinates land on the device pixels of a painter.
class DeviceGrid {
 public:
  explicit DeviceGrid(const QPainter& painter);
  qreal Ratio() const { return ratio_; }
  int Edge(double logical) const;
  int LineWidth() const { return lineWidth_; }
  // Edges from (left, top) to (right, bottom), right and bottom excluded.
  QRect Rect(int left, int top, int right, int bottom) const;

 private:
  qreal ratio_;
  int lineWidth_;
};

// A rectangle from (left, top) to (right, bottom), right and bottom edges
// excluded, as a QRect; empty when right <= left or bottom <= top.
QRect EdgeRect(long long left, long long top, long long right, long long bottom);

// Fill with `brush`, outline one logical pixel wide with `pen`.
void FillFramed(QPainter& painter, int left, int top, int right, int bottom, QRgb pen, QRgb brush);

// Every other device pixel of the outline inverted, starting at the
// top-left: a checker pattern over an outline one logical pixel wide.
void DrawFocusRect(QPainter& painter, int left, int top, int right, int bottom);

// Pixels (x0, y) .. (x1 - 1, y), one logical pixel high.
void DrawHorizontalLine(QPainter& painter, int x0, int x1, int y, QRgb color);

// Pixels (x, y0) .. (x, y1 - 1), one logical pixel wide.
void DrawVerticalLine(QPainter& painter, int x, int y0, int y1, QRgb color);

// Fills a rectangle of device pixels.
void FillDevicePixels(QPainter& painter, const QRect& device, QRgb color);

// Windows DrawText format bits, as the TextAlignment property holds them.
namespace text_format {
constexpr int kCenter = 0x1;
constexpr int kRight = 0x2;
constexpr int kVerticalCenter = 0x4;
constexpr int kBottom = 0x8;
constexpr int kWordBreak = 0x10;
constexpr int kSingleLine = 0x20;
constexpr int kEndEllipsis = 0x8000;
}  // namespace text_format

// Draws the text literally (an "&" stays an "&") into the rectangle, clipped
// to it, placed by the format bits.
void DrawFormattedText(QPainter& painter, const QRect& rect, const QString& text, int format);

}  // namespace corvane
