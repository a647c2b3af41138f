#pragma once

#include <string>

#include "startup/command_line.h"

namespace corvane {

// The Qt platforms the daemon's window runs on ("wayland;xcb"), or empty for
// console mode: /Console was given, or no display is there that an
// installed Qt platform serves. A display left unserved is reported on
// stderr, with the package that serves it.
std::string WindowPlatformsFor(const CommandLineSwitches& commandLine);

// Runs the daemon with its window and tray icon on those platforms until it
// ends; returns the process's exit code.
int RunWindowFrontEnd(int& argc, char** argv, const std::string& platforms,
                      CommandLineSwitches commandLine);

}  // namespace corvane
