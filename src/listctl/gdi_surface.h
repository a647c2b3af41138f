#pragma once

// Drawing primitives with the pixel rules the control's looks depend on:
// rectangles that leave out their right and bottom edges, one-pixel lines
// without their end point, and a dotted focus rectangle that inverts the
// pixels it touches. All draw through a painter on the back image.

#include <QPainter>
#include <QRect>
#include <QString>

namespace corvane {

// A rectangle from (left, top) to (right, bottom), right and bottom edges
// excluded, as a QRect; empty when right <= left or bottom <= top.
QRect EdgeRect(long long left, long long top, long long right, long long bottom);

// Fill with `brush`, outline one pixel wide with `pen`.
void FillFramed(QPainter& painter, int left, int top, int right, int bottom, QRgb pen, QRgb brush);

// Every other pixel of the outline inverted, starting at the top-left.
void DrawFocusRect(QPainter& painter, int left, int top, int right, int bottom);

// Pixels (x0, y) .. (x1 - 1, y).
void DrawHorizontalLine(QPainter& painter, int x0, int x1, int y, QRgb color);

// Pixels (x, y0) .. (x, y1 - 1).
void DrawVerticalLine(QPainter& painter, int x, int y0, int y1, QRgb color);

// Windows DrawText format bits, as the TextAlignment property holds them.
namespace TextFormat {
constexpr int kCenter = 0x1;
constexpr int kRight = 0x2;
constexpr int kVerticalCenter = 0x4;
constexpr int kBottom = 0x8;
constexpr int kWordBreak = 0x10;
constexpr int kSingleLine = 0x20;
constexpr int kEndEllipsis = 0x8000;
}  // namespace TextFormat

// Draws the text literally (an "&" stays an "&") into the rectangle, clipped
// to it, placed by the format bits.
void DrawFormattedText(QPainter& painter, const QRect& rect, const QString& text, int format);

}  // namespace corvane
