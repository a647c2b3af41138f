#pragma once

#include "startup/command_line.h"

namespace corvane {

// True when the daemon should show a window: /Console was not given and a
// display is there (X11 or Wayland, or a Qt platform other than the
// off-screen ones named explicitly).
bool WantsWindow(const CommandLineSwitches& commandLine);

// Runs the daemon with its window and tray icon until it ends; returns the
// process's exit code.
int RunWindowFrontEnd(int& argc, char** argv, CommandLineSwitches commandLine);

}  // namespace corvane
