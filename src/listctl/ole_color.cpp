#include "listctl/ole_color.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace corvane {

namespace {

constexpr OleColor kSystemBit = 0x80000000u;

std::optional<QColor> SystemColor(unsigned index, const QPalette& p) {
  switch (index) {
    case 0x05: return p.color(QPalette::Base);
    case 0x08: return p.color(QPalette::Text);
    case 0x0D: return p.color(QPalette::Highlight);
    case 0x0E: return p.color(QPalette::HighlightedText);
    case 0x0F: return p.color(QPalette::Button);
    case 0x10: return p.color(QPalette::Dark);
    case 0x11: return p.color(QPalette::Disabled, QPalette::Text);
    case 0x12: return p.color(QPalette::ButtonText);
    case 0x14: return p.color(QPalette::Light);
    case 0x17: return p.color(QPalette::ToolTipText);
    case 0x18: return p.color(QPalette::ToolTipBase);
    default: return std::nullopt;
  }
}

std::int32_t Bgr(int r, int g, int b) { return r | (g << 8) | (b << 16); }

int Channel(std::int32_t bgr, int shift) { return (bgr >> shift) & 0xFF; }

}  // namespace

std::int32_t TranslateColor(OleColor color, const QPalette& palette) {
  switch (color >> 24) {
    case 0x00:
    case 0x02:  // a palette-relative RGB: without a palette, the RGB itself
      return static_cast<std::int32_t>(color & 0xFFFFFFu);
    case 0x80: {
      if ((color & ~kSystemBit) > 0xFFu) return kColorFailed;
      const auto c = SystemColor(color & 0xFFu, palette);
      return c ? Bgr(c->red(), c->green(), c->blue()) : kColorFailed;
    }
    default: return kColorFailed;
  }
}

std::int32_t BlendColor(OleColor a, OleColor b, int weight, const QPalette& palette) {
  const std::int32_t ca = TranslateColor(a, palette);
  const std::int32_t cb = TranslateColor(b, palette);
  auto mix = [&](int shift) {
    const double v =
        weight * Channel(ca, shift) / 255.0 + (255 - weight) * Channel(cb, shift) / 255.0;
    return std::clamp(static_cast<int>(std::nearbyint(v)), 0, 255);
  };
  return Bgr(mix(0), mix(8), mix(16));
}

QRgb ToPixel(std::int32_t bgr) { return qRgb(Channel(bgr, 0), Channel(bgr, 8), Channel(bgr, 16)); }

}  // namespace corvane
