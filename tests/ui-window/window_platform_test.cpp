// The platform the window starts on, and the last words when its display
// goes away under it.

#include "ui/window_platform.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <thread>
#include <vector>

#include "ui/exit_guard.h"

namespace corvane {
namespace {

// Qt ends the process when no platform it is asked for starts, so every
// display that cannot be served must choose console mode here.
TEST(WindowPlatformTest, AWindowOnlyWhereAnInstalledPlatformServesADisplay) {
  // Plain values: GCC 12 at -O3 takes strings inside a table of aggregates for uninitialised.
  const struct {
    const char* what;
    const char* forced;  // QT_QPA_PLATFORM
    bool x11, wayland, named, x11Plugin, waylandPlugin;
    const char* platforms;
    const char* reasonStart;  // the console-mode line begins so; empty for none
  } cases[] = {
      {"X11", "", true, false, true, true, true, "xcb", ""},
      {"Wayland", "", false, true, true, true, true, "wayland", ""},
      {"both: Wayland first", "", true, true, true, true, true, "wayland;xcb", ""},
      {"Wayland unserved", "", false, true, true, true, false, "", "no Qt platform for Wayland"},
      {"X11 unserved", "", true, false, true, false, true, "", "no Qt platform for X11"},
      {"a display named but gone", "", false, false, true, true, true, "", "the display"},
      {"no display", "", false, false, false, false, false, "", ""},
      {"forced, no display", "vnc", false, false, false, false, false, "vnc", ""},
      {"forced off-screen", "offscreen", true, true, true, true, true, "", ""},
      {"forced minimal", "minimal", true, true, true, true, true, "", ""},
  };
  for (const auto& c : cases) {
    const DisplayEnvironment environment{c.forced, c.x11,       c.wayland,
                                         c.named,  c.x11Plugin, c.waylandPlugin};
    EXPECT_EQ(WindowPlatforms(environment), c.platforms) << c.what;
    const std::string reason = ConsoleModeReason(environment);
    const std::string start = c.reasonStart;
    EXPECT_EQ(reason.substr(0, start.size()), start) << c.what << ": " << reason;
    EXPECT_EQ(reason.empty(), start.empty()) << c.what << ": " << reason;
  }
}

// Qt's Wayland plugin logs one of two fixed warnings, from any of its
// threads and often from two at once, and then ends the process with
// _exit(): the last words run then, once, on the thread that made the guard.
TEST(ExitGuardTest, QtsFatalWaylandWarningsRunTheLastWordsOnceOnTheGuardingThread) {
  const struct {
    const char* warning;
    std::size_t runs;
  } cases[] = {
      {"The Wayland connection broke. Did the Wayland compositor die?", 1},
      {"The Wayland connection experienced a fatal error: Protocol error", 1},
      {"The Wayland connection broke.", 0},
  };
  for (const auto& c : cases) {
    std::vector<std::thread::id> ranOn;
    const ExitGuard guard([&ranOn] { ranOn.push_back(std::this_thread::get_id()); });
    std::atomic<int> warning{2};
    const auto warn = [&] {
      qWarning("%s", c.warning);
      --warning;
    };
    std::thread first(warn), second(warn);
    while (warning > 0) QCoreApplication::processEvents();
    first.join();
    second.join();
    EXPECT_EQ(ranOn, std::vector(c.runs, std::this_thread::get_id())) << c.warning;
  }
}

}  // namespace
}  // namespace corvane
