#pragma once

#include <string>

#include "core/daemon_error.h"

namespace corvane {

class Log;
class WindowSettingsHost;
struct DaemonState;

// A stored setting whose text cannot be converted to its kind. The
// description names the key, the value and the settings file, so that the
// user can mend or remove it.
class SettingsError : public DaemonError {
 public:
  SettingsError(int number, const std::string& description, std::string key)
      : DaemonError(number, description), key_(std::move(key)) {}
  const std::string& key() const { return key_; }

 private:
  std::string key_;
};

// The per-user settings file.
std::string SettingsFile();

// "Log.ViewLines": how many lines the window's log view keeps, 0 for no
// limit. A missing, negative or unreadable value gives 100000; the key is
// only read, never written.
int StoredViewLines();

// Reads every setting in a fixed order and applies each at once, so that
// the default place of the window (centred) uses the window's size as it
// stands at that moment. A missing key takes its default. `window` is null
// when there is no window (console mode): the window's settings are then
// still checked but not applied. startHidden receives "start hidden".
// Throws SettingsError on a value that cannot be converted (or a file that
// cannot be read or parsed at all); what was applied before stays.
void LoadSettings(DaemonState& state, bool& startHidden, WindowSettingsHost* window);

// Writes the settings back as text and on to the file. The window's place,
// size and visibility are written only while it is in its normal state, so
// that a maximised window keeps its last normal place; without a window
// none of its settings is written. Returns "" when the file holds them,
// else why it does not.
std::string SaveSettings(const DaemonState& state, const WindowSettingsHost* window);

// Saves the settings each time one changes and at the orderly stop, so that
// none is lost however the process ends. A file that cannot be written is
// reported once, at Error in the log and on stderr, with its name and the
// reason; each later save tries again, and after one that works the next
// failure is reported anew. Nothing else of the daemon stops for it.
class SettingsSaver {
 public:
  explicit SettingsSaver(Log& log) : log_(log) {}
  void Save(const DaemonState& state, const WindowSettingsHost* window);

 private:
  Log& log_;
  bool failing_ = false;
};

}  // namespace corvane
