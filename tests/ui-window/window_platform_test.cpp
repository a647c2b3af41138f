#include "ui/window_platform.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Qt ends the process when no platform it is asked for starts, so every
// display that cannot be served must choose console mode here.
TEST(WindowPlatformTest, AWindowOnlyWhereAnInstalledPlatformServesADisplay) {
  const struct {
    const char* what;
    // forced platform; X11 and Wayland display there; one named; X11 and Wayland plugin
    DisplayEnvironment environment;
    std::string platforms;
    std::string reasonStart;  // the console-mode line begins so; empty for none
  } cases[] = {
      {"X11", {"", true, false, true, true, true}, "xcb", ""},
      {"Wayland", {"", false, true, true, true, true}, "wayland", ""},
      {"both: Wayland first", {"", true, true, true, true, true}, "wayland;xcb", ""},
      {"Wayland unserved", {"", false, true, true, true, false}, "", "no Qt platform for Wayland"},
      {"X11 unserved", {"", true, false, true, false, true}, "", "no Qt platform for X11"},
      {"a display named but gone", {"", false, false, true, true, true}, "", "the display"},
      {"no display", {}, "", ""},
      {"forced, no display", {"vnc"}, "vnc", ""},
      {"forced off-screen", {"offscreen", true, true, true, true, true}, "", ""},
      {"forced minimal", {"minimal", true, true, true, true, true}, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowPlatforms(c.environment), c.platforms) << c.what;
    const std::string reason = ConsoleModeReason(c.environment);
    EXPECT_EQ(reason.substr(0, c.reasonStart.size()), c.reasonStart) << c.what << ": " << reason;
    EXPECT_EQ(reason.empty(), c.reasonStart.empty()) << c.what << ": " << reason;
  }
}

}  // namespace
}  // namespace corvane
