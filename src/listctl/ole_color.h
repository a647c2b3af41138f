#pragma once

// Colours as the control's properties hold them: 0x00BBGGRR, or with the
// top bit set the index of a system colour, read from the widget's palette.

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace corvane {

using OleColor = std::uint32_t;

constexpr std::int32_t kColorFailed = -1;

// 0x00BBGGRR, or kColorFailed for a system colour index the palette does
// not map and for values whose top byte is neither 0x00, 0x02 nor 0x80.
std::int32_t TranslateColor(OleColor color, const QPalette& palette);

// Mixes the two colours channel by channel, weight/255 of `a`; a colour that
// does not translate counts as white.
std::int32_t BlendColor(OleColor a, OleColor b, int weight, const QPalette& palette);

// A translated colour (0x00BBGGRR) as an opaque pixel. A failed translation
// has every bit set and so gives white.
QRgb ToPixel(std::int32_t bgr);

// Translates and converts in one step.
inline QRgb PixelOf(OleColor color, const QPalette& palette) {
  return ToPixel(TranslateColor(color, palette));
}

}  // namespace corvane
