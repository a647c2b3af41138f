#include "ui/window_settings.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "core/settings.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

namespace Key {
constexpr const char* X = "Window.X";
constexpr const char* Y = "Window.Y";
constexpr const char* Width = "Window.Width";
constexpr const char* Height = "Window.Height";
constexpr const char* State = "Window.State";
constexpr const char* Hidden = "Window.Hidden";
constexpr const char* NoBackground = "Window.NoBKG";
}  // namespace Key

constexpr double kTwipsPerPixelAt96Dpi = 15.0;

double TwipsPerPixel(double dpi) {
  return dpi > 0 ? kTwipsPerPixelAt96Dpi * 96.0 / dpi : kTwipsPerPixelAt96Dpi;
}

// A window state the window cannot take is as unusable as a word.
std::optional<std::int16_t> ReadWindowState(const SettingsReader& reader) {
  const auto state = reader.Int16(Key::State);
  if (state && (*state < 0 || *state > 2)) {
    reader.Refuse(Key::State, "0, 1 or 2", ErrorNumber::Overflow);
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
  const auto x = reader.Single(Key::X);
  const auto y = reader.Single(Key::Y);
  const auto width = reader.Single(Key::Width);
  const auto height = reader.Single(Key::Height);
  const auto state = ReadWindowState(reader);
  const bool startHidden = reader.Boolean(Key::Hidden).value_or(true);
  const auto noBackground = reader.Single(Key::NoBackground);

  const double dpi = window.LogicalDpi();
  PixelRect geometry = window.Geometry();
  geometry.left = x ? PixelsFromTwips(*x, dpi) : window.ScreenWidth() / 2 - geometry.width / 2;
  geometry.top = y ? PixelsFromTwips(*y, dpi) : window.ScreenHeight() / 2 - geometry.height / 2;
  if (width) geometry.width = PixelsFromTwips(*width, dpi);
  if (height) geometry.height = PixelsFromTwips(*height, dpi);
  window.SetGeometry(geometry);
  window.SetState(state.value_or(0));
  window.SetNoBackground(noBackground.value_or(0) == 1);
  return startHidden;
}

void SaveWindowSettings(SettingsWriter& writer, const MainWindow& window) {
  const std::int16_t state = window.State();
  writer.Write(Key::State, std::to_string(state));
  if (state != 0) return;
  const double dpi = window.LogicalDpi();
  const PixelRect geometry = window.Geometry();
  writer.Write(Key::X, TwipsText(geometry.left, dpi));
  writer.Write(Key::Y, TwipsText(geometry.top, dpi));
  writer.Write(Key::Width, TwipsText(geometry.width, dpi));
  writer.Write(Key::Height, TwipsText(geometry.height, dpi));
  writer.Write(Key::Hidden, window.isVisible() ? "False" : "True");
}

}  // namespace corvane
