#pragma once

#include <string>

namespace corvane {

class MainWindow;
class SettingsReader;
class SettingsWriter;

// The window's own stored settings, beside the daemon's in the one settings
// file: "Window.X", "Window.Y", "Window.Width" and "Window.Height" in twips,
// "Window.State" (0 normal, 1 minimised, 2 maximised), "Window.Hidden" (the
// window starts hidden in the tray) and "Window.NoBKG" (1: no background
// gradient in the log view, only read).

// Reads the keys in that order, each converted before any is applied, and
// applies them: a missing place centres the window on its screen with the
// size it has before a stored size is applied. Returns "start hidden".
// Throws SettingsError on a value that cannot be used.
bool LoadWindowSettings(const SettingsReader& reader, MainWindow& window);

// Writes the state; the place, size and visibility only while the window
// is in its normal state, so that a maximised window keeps its last normal
// place.
void SaveWindowSettings(SettingsWriter& writer, const MainWindow& window);

// Twips at the screen's logical dots per inch, kept with their fraction so
// that a window comes back to the same pixel at any dpi, and back.
std::string TwipsText(int pixels, double dpi);
int PixelsFromTwips(float twips, double dpi);

}  // namespace corvane
