#include "ui/window_platform.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct PlatformCase {
  const char* what;
  DisplayEnvironment environment;
  std::string platforms;
  std::string reasonStart;  // the console-mode line begins so; empty for none
};

// Qt ends the process when no platform it is asked for starts, so every
// display that cannot be served must choose console mode here.
TEST(WindowPlatformTest, AWindowOnlyWhereAnInstalledPlatformServesADisplay) {
  constexpr bool kX11 = true;
  DisplayEnvironment both;
  both.x11Display = both.waylandDisplay = both.displayNamed = true;
  both.x11Plugin = both.waylandPlugin = true;
  const auto with = [&](auto change) {
    DisplayEnvironment environment = both;
    change(environment);
    return environment;
  };
  const auto only = [&](bool x11, bool pluginThere) {
    return with([&](DisplayEnvironment& e) {
      (x11 ? e.waylandDisplay : e.x11Display) = false;
      (x11 ? e.x11Plugin : e.waylandPlugin) = pluginThere;
    });
  };
  const PlatformCase cases[] = {
      {"X11", only(kX11, true), "xcb", ""},
      {"Wayland", only(!kX11, true), "wayland", ""},
      {"both: Wayland first", both, "wayland;xcb", ""},
      {"both, Wayland's platform missing", with([](auto& e) { e.waylandPlugin = false; }), "xcb",
       ""},
      {"Wayland, its platform missing", only(!kX11, false), "", "no Qt platform for Wayland"},
      {"X11, its platform missing", only(kX11, false), "", "no Qt platform for X11"},
      {"a display named but gone", with([](auto& e) { e.x11Display = e.waylandDisplay = false; }),
       "", "the display"},
      {"no display", DisplayEnvironment{}, "", ""},
      {"forced, no display", with([](auto& e) { e = {}, e.forcedPlatform = "vnc"; }), "vnc", ""},
      {"forced off-screen", with([](auto& e) { e.forcedPlatform = "offscreen"; }), "", ""},
      {"forced minimal", with([](auto& e) { e.forcedPlatform = "minimal"; }), "", ""},
  };

  for (const PlatformCase& c : cases) {
    EXPECT_EQ(WindowPlatforms(c.environment), c.platforms) << c.what;
    const std::string reason = ConsoleModeReason(c.environment);
    if (c.reasonStart.empty()) {
      EXPECT_EQ(reason, "") << c.what;
    } else {
      EXPECT_TRUE(reason.starts_with(c.reasonStart)) << c.what << ": " << reason;
    }
  }
}

}  // namespace
}  // namespace corvane
