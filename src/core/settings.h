#pragma once

#include <QSettings>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/daemon_error.h"
#include "core/log_level.h"
#include "platform/result.h"

namespace corvane {

class Log;

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

// The settings file as start-up reads it. Every value is stored as text and
// converted when read; a missing key answers nothing, so that the caller
// takes its default.
class SettingsReader {
 public:
  // Throws SettingsError when the file cannot be read or parsed at all: it
  // would read as empty, and writing defaults back over it would throw away
  // what the user had in it.
  SettingsReader();

  // Each throws SettingsError for a value that is not of its kind.
  std::optional<std::string> Text(const char* key) const;
  // A finite single-precision number in plain or exponent form.
  std::optional<float> Single(const char* key) const;
  std::optional<std::int16_t> Int16(const char* key) const;
  // "True" or "False" in any letter case; a number counts as true unless 0.
  std::optional<bool> Boolean(const char* key) const;
  // Throws the SettingsError for the key's stored value, which is not
  // `wanted` ("0, 1 or 2").
  [[noreturn]] void Refuse(const char* key, const std::string& wanted, int number) const;

 private:
  QSettings settings_;
};

// Writes settings as text, on to the file at Commit.
class SettingsWriter {
 public:
  SettingsWriter();
  void Write(const char* key, const std::string& text);
  // Fails, saying why, when the file does not hold the settings.
  platform::Result<void> Commit();

 private:
  QSettings settings_;
};

// The journal of hand-overs: "Journal.File", "Journal.Enabled" and
// "Journal.KeepDays".
struct JournalSettings {
  std::string file;  // "": the default file of the observation file
  bool enabled = true;
  int keepDays = 30;  // 0: rows are kept for ever
  bool operator==(const JournalSettings&) const = default;
};

// Hot folders shared with other daemons: "Shared.DaemonId" and
// "Shared.StaleSeconds", only read, never written.
struct SharedSettings {
  std::string daemonId;   // "": made from the host name and the observation file
  int staleSeconds = 60;  // a heartbeat this old tells of a daemon that died
  bool operator==(const SharedSettings&) const = default;
};

// The daemon's own stored settings: "Log.Level", "App.Language", the
// journal's and the shared folders'.
struct DaemonSettings {
  LogLevel logLevel = LogLevel::Info;
  std::string languageFile = "english.lng";
  JournalSettings journal;
  SharedSettings shared = {};  // a default, so that older initializer lists stay whole
};
// Throws SettingsError on a value that cannot be converted.
DaemonSettings ReadDaemonSettings(const SettingsReader& reader);

// Saves the settings each time one changes and at the orderly stop, so that
// none is lost however the process ends: the front end's (through
// `frontEnd`; empty: its keys stay as they are) and the daemon's. A file
// that cannot be written is reported once, at Error in the log and on
// stderr, with its name and the reason; each later save tries again, and
// after one that works the next failure is reported anew. Nothing else of
// the daemon stops for it.
class SettingsSaver {
 public:
  explicit SettingsSaver(Log& log) : log_(log) {}
  void Save(const DaemonSettings& settings,
            const std::function<void(SettingsWriter&)>& frontEnd = {});

 private:
  Log& log_;
  bool failing_ = false;
};

}  // namespace corvane
