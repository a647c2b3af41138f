#include "core/settings.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "core/daemon_state.h"
#include "core/hosts/window_settings_host.h"
#include "core/log.h"
#include "core/number_text.h"
#include "core/platform/platform.h"
#include "core/settings_store.h"
#include "core/std_helpers.h"
#include "lang/language.h"
#include "lang/untranslated_texts.h"

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
constexpr const char* LogLevel = "Log.Level";
constexpr const char* Language = "App.Language";
constexpr const char* ViewLines = "Log.ViewLines";
}  // namespace Key

constexpr double kTwipsPerPixelAt96Dpi = 15.0;

// The per-user store; every instance shares one file.
class Store {
 public:
  Store() : settings_(OpenSettingsStore()) {}

  std::optional<std::string> Text(const char* key) const { return StoredText(settings_, key); }
  void Write(const char* key, const std::string& text) {
    settings_.setValue(key, QString::fromStdString(text));
  }
  std::string FileName() const { return settings_.fileName().toStdString(); }
  // The store writes the whole file anew beside the old one; when that
  // fails it only says so, and the system is asked why.
  std::string Commit() {
    settings_.sync();
    if (settings_.status() == QSettings::NoError) return {};
    const std::string reason = platform::ReplaceProblem(FileName());
    return reason.empty() ? "the file could not be replaced" : reason;
  }
  // A file the store cannot open (no right to read it, a directory in its
  // place) or cannot parse reads as empty; writing it back would throw away
  // what the user had in it.
  void ThrowWhenUnreadable() const {
    if (settings_.status() == QSettings::NoError) return;
    throw SettingsError(
        ErrorNumber::TypeMismatch,
        "The settings file " + FileName() +
            " cannot be read.\r\nPlease correct or remove it. Corvane will quit now.",
        "");
  }

 private:
  QSettings settings_;
};

[[noreturn]] void Unconvertible(const Store& store, const char* key, const std::string& text,
                                const std::string& wanted, int number) {
  throw SettingsError(number,
                      "The setting '" + std::string(key) + "' in " + store.FileName() +
                          " cannot be used: '" + text + "' is not " + wanted +
                          ".\r\nPlease correct or remove it. Corvane will quit now.",
                      key);
}

// A finite single-precision number in plain or exponent form.
std::optional<float> ParseSingle(std::string_view text) {
  text = TrimBlanks(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  float value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string SingleText(float value) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return ec == std::errc{} ? std::string(buffer, end) : std::string("0");
}

std::optional<float> ReadSingle(const Store& store, const char* key) {
  const auto text = store.Text(key);
  if (!text) return std::nullopt;
  const auto value = ParseSingle(*text);
  if (!value) Unconvertible(store, key, *text, "a number", ErrorNumber::TypeMismatch);
  return value;
}

std::optional<std::int16_t> ReadInt16(const Store& store, const char* key) {
  const auto text = store.Text(key);
  if (!text) return std::nullopt;
  try {
    return ToInt16(*text);
  } catch (const DaemonError& error) {
    Unconvertible(store, key, *text, "a whole number from -32768 to 32767", error.number());
  }
}

// A window state the window cannot take is as unusable as a word.
std::optional<std::int16_t> ReadWindowState(const Store& store) {
  const auto state = ReadInt16(store, Key::State);
  if (state && (*state < 0 || *state > 2)) {
    Unconvertible(store, Key::State, *store.Text(Key::State), "0, 1 or 2", ErrorNumber::Overflow);
  }
  return state;
}

// "True" or "False" in any letter case; a number counts as true unless 0.
std::optional<bool> ReadBoolean(const Store& store, const char* key) {
  const auto text = store.Text(key);
  if (!text) return std::nullopt;
  const QString word = QString::fromStdString(std::string(TrimBlanks(*text)));
  if (word.compare("True", Qt::CaseInsensitive) == 0) return true;
  if (word.compare("False", Qt::CaseInsensitive) == 0) return false;
  if (const auto number = ParseSingle(*text)) return *number != 0;
  Unconvertible(store, key, *text, "True or False", ErrorNumber::TypeMismatch);
}

double TwipsPerPixel(const WindowSettingsHost& window) {
  const double dpi = window.LogicalDpi();
  return dpi > 0 ? kTwipsPerPixelAt96Dpi * 96.0 / dpi : kTwipsPerPixelAt96Dpi;
}

int ToPixels(float twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

std::string ToTwipsText(int pixels, double twipsPerPixel) {
  return SingleText(static_cast<float>(pixels * twipsPerPixel));
}

// Reads one edge or size of the window and applies it at once. The default
// is computed from the window as it stands before this key is applied.
template <typename Default>
void ApplyGeometryKey(const Store& store, const char* key, WindowSettingsHost* window,
                      int PixelRect::*field, Default defaultPixels) {
  const auto twips = ReadSingle(store, key);
  if (!window) return;
  PixelRect geometry = window->Geometry();
  geometry.*field = twips ? ToPixels(*twips, TwipsPerPixel(*window)) : defaultPixels(geometry);
  window->SetGeometry(geometry);
}

void LoadWindowSettings(const Store& store, bool& startHidden, WindowSettingsHost* window) {
  ApplyGeometryKey(store, Key::X, window, &PixelRect::left, [window](const PixelRect& g) {
    return window->ScreenWidth() / 2 - g.width / 2;
  });
  ApplyGeometryKey(store, Key::Y, window, &PixelRect::top, [window](const PixelRect& g) {
    return window->ScreenHeight() / 2 - g.height / 2;
  });
  ApplyGeometryKey(store, Key::Width, window, &PixelRect::width,
                   [](const PixelRect& g) { return g.width; });
  ApplyGeometryKey(store, Key::Height, window, &PixelRect::height,
                   [](const PixelRect& g) { return g.height; });
  const auto state = ReadWindowState(store);
  if (window) window->SetState(state.value_or(0));
  startHidden = ReadBoolean(store, Key::Hidden).value_or(true);
  const auto noBackground = ReadSingle(store, Key::NoBackground);
  if (window) window->SetNoBackground(noBackground.value_or(0) == 1);
}

}  // namespace

std::string SettingsFile() { return Store().FileName(); }

int StoredViewLines() {
  constexpr int kDefaultViewLines = 100000;
  bool ok = false;
  const int lines = OpenSettingsStore().value(Key::ViewLines).toInt(&ok);
  return ok && lines >= 0 ? lines : kDefaultViewLines;
}

void LoadSettings(DaemonState& state, bool& startHidden, WindowSettingsHost* window) {
  const Store store;
  store.ThrowWhenUnreadable();
  LoadWindowSettings(store, startHidden, window);
  state.logLevel =
      LevelFromNumber(ReadInt16(store, Key::LogLevel).value_or(LevelNumber(LogLevel::Info)));
  state.languageFile = store.Text(Key::Language).value_or("english.lng");
}

std::string SaveSettings(const DaemonState& state, const WindowSettingsHost* window) {
  Store store;
  if (window) {
    const std::int16_t windowState = window->State();
    store.Write(Key::State, std::to_string(windowState));
    if (windowState == 0) {
      const double twipsPerPixel = TwipsPerPixel(*window);
      const PixelRect geometry = window->Geometry();
      store.Write(Key::X, ToTwipsText(geometry.left, twipsPerPixel));
      store.Write(Key::Y, ToTwipsText(geometry.top, twipsPerPixel));
      store.Write(Key::Width, ToTwipsText(geometry.width, twipsPerPixel));
      store.Write(Key::Height, ToTwipsText(geometry.height, twipsPerPixel));
      store.Write(Key::Hidden, window->IsVisible() ? "False" : "True");
    }
  }
  store.Write(Key::LogLevel, std::to_string(LevelNumber(state.logLevel)));
  store.Write(Key::Language, state.languageFile);
  return store.Commit();
}

void SettingsSaver::Save(const DaemonState& state, const WindowSettingsHost* window) {
  const std::string problem = SaveSettings(state, window);
  if (problem.empty() || failing_) {
    failing_ = !problem.empty();
    return;
  }
  failing_ = true;
  log_.Alert(
      FormatMsg(log_.language().Translate(txt::SettingsUnwritable), {SettingsFile(), problem}));
}

}  // namespace corvane
