#pragma once

#include <string>

namespace corvane {

// What the desktop offers, read before Qt starts: Qt ends the process when
// none of the platforms it is asked for can start, so the choice between a
// window and console mode is made here first.
struct DisplayEnvironment {
  std::string forcedPlatform;  // QT_QPA_PLATFORM, empty when not set
  // DISPLAY and WAYLAND_DISPLAY, each when set and, where it names a local
  // socket, the socket is there: a variable left over from a session that
  // has ended must not cost the daemon its start.
  bool x11Display = false;
  bool waylandDisplay = false;
  bool displayNamed = false;   // either variable is set, there or not
  bool x11Plugin = false;      // Qt's X11 platform is installed
  bool waylandPlugin = false;  // Qt's Wayland platform is installed
};

DisplayEnvironment ReadDisplayEnvironment();

// The Qt platforms to try, most wanted first ("wayland;xcb"), or empty when
// no window can be shown: no display, a display whose platform is not
// installed, or an off-screen platform named explicitly. A platform named
// in QT_QPA_PLATFORM is taken as it stands. Wayland comes first where both
// are there, and Qt moves on to X11 when the compositor refuses it.
std::string WindowPlatforms(const DisplayEnvironment& environment);

// Why a display that is there gets no window, for one line on stderr; empty
// when nothing needs saying.
std::string ConsoleModeReason(const DisplayEnvironment& environment);

}  // namespace corvane
