#pragma once

#include <string>

#include "core/daemon_error.h"

namespace corvane {

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

// Reads every setting in a fixed order and applies each at once, so that
// the default place of the window (centred) uses the window's size as it
// stands at that moment. A missing key takes its default. `window` is null
// when there is no window (console mode): the window's settings are then
// still checked but not applied. startHidden receives "start hidden".
// Throws SettingsError on a value that cannot be converted (or a file that
// cannot be read or parsed at all); what was applied before stays.
void LoadSettings(DaemonState& state, bool& startHidden, WindowSettingsHost* window);

// Writes the settings back as text. The window's place, size and
// visibility are written only while it is in its normal state, so that a
// maximised window keeps its last normal place; without a window none of
// its settings is written.
void SaveSettings(const DaemonState& state, const WindowSettingsHost* window);

}  // namespace corvane
