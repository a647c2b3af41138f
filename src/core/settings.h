#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// The per-user settings, as read at start-up and written at the orderly stop.
// Window geometry is in twips; an absent value means "the window's own".
struct Settings {
  std::optional<double> windowX;
  std::optional<double> windowY;
  std::optional<double> windowWidth;
  std::optional<double> windowHeight;
  std::int16_t windowState = 0;  // 0 normal, 1 minimised, 2 maximised
  bool windowHidden = true;
  bool noBackground = false;
  std::int16_t logLevel = 1;
  std::string language = "english.lng";
};

// Reads the per-user store. For now there is no store yet: the defaults.
Settings LoadSettings();

}  // namespace corvane
