#include "ui/window_settings.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "core/settings.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

namespace key {
constexpr const char* kX = "Window.X";
constexpr const char* kY = "Window.Y";
constexpr const char* kWidth = "Window.Width";
constexpr const char* kHeight = "Window.Height";
constexpr const char* kState = "Window.State";
constexpr const char* kHidden = "Window.Hidden";
constexpr const char* kNoBackground = "Window.NoBKG";
}  // namespace key

constexpr double kTwipsPerPixelAt96Dpi = 15.0;

double TwipsPerPixel(double dpi) {
  return dpi > 0 ? kTwipsPerPixelAt96Dpi * 96.0 / dpi : kTwipsPerPixelAt96Dpi;
}

// A window state the window cannot take is as unusable as a word.
std::optional<std::int16_t> ReadWindowState(const SettingsReader& reader) {
  const auto state = reader.Int16(key::kState);
  if (state && (*state < 0 || *state > 2)) {
    reader.Refuse(key::kState, "0, 1 or 2", error_number::kOverflow);
  }
  return state;
}

}  // namespace

std::string TwipsText(int pixels, double dpi) {
  const auto twips = static_cast<float>(pixels * TwipsPerPixel(dpi));
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, twips, std::chars_format::fixed);
  return ec == std::errc{} ? std::string(buffer, end) : std::string("0");
}

int PixelsFromTwips(float twips, double dpi) {
  return static_cast<int>(std::lround(twips / TwipsPerPixel(dpi)));
}

bool LoadWindowSettings(const SettingsReader& reader, MainWindow& window) {
  const auto x = reader.Single(key::kX);
  const auto y = reader.Single(key::kY);
  const auto width = reader.Single(key::kWidth);
  const auto height = reader.Single(key::kHeight);
  const auto state = ReadWindowState(reader);
  const bool startHidden = reader.Boolean(key::kHidden).value_or(true);
  const auto noBackground = reader.Single(key::kNoBackground);

  const double dpi = window.LogicalDpi();
  PixelRect geometry = window.Geometry();
  // Centred on the primary screen's free area, which need not begin at the
  // desktop's origin: a second monitor may lie to its left or above it.
  const PixelRect area = window.WorkArea();
  geometry.left = x ? PixelsFromTwips(*x, dpi) : area.left + (area.width - geometry.width) / 2;
  geometry.top = y ? PixelsFromTwips(*y, dpi) : area.top + (area.height - geometry.height) / 2;
  if (width) geometry.width = PixelsFromTwips(*width, dpi);
  if (height) geometry.height = PixelsFromTwips(*height, dpi);
  window.SetGeometry(geometry);
  window.SetState(state.value_or(0));
  window.SetNoBackground(noBackground.value_or(0) == 1);
  return startHidden;
}

void SaveWindowSettings(SettingsWriter& writer, const MainWindow& window) {
  const std::int16_t state = window.State();
  writer.Write(key::kState, std::to_string(state));
  if (state != 0) return;
  const double dpi = window.LogicalDpi();
  const PixelRect geometry = window.Geometry();
  writer.Write(key::kX, TwipsText(geometry.left, dpi));
  writer.Write(key::kY, TwipsText(geometry.top, dpi));
  writer.Write(key::kWidth, TwipsText(geometry.width, dpi));
  writer.Write(key::kHeight, TwipsText(geometry.height, dpi));
  writer.Write(key::kHidden, window.isVisible() ? "False" : "True");
}

}  // namespace corvane
