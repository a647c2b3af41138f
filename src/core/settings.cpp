#include "core/settings.h"

#include <charconv>
#include <cmath>

#include "core/log.h"
#include "core/number_text.h"
#include "core/settings_store.h"
#include "core/std_helpers.h"
#include "lang/language.h"
#include "lang/untranslated_texts.h"
#include "platform/files.h"

namespace corvane {
namespace {

namespace key {
constexpr const char* kLogLevel = "Log.Level";
constexpr const char* kLanguage = "App.Language";
constexpr const char* kViewLines = "Log.ViewLines";
constexpr const char* kJournalFile = "Journal.File";
constexpr const char* kJournalEnabled = "Journal.Enabled";
constexpr const char* kJournalKeepDays = "Journal.KeepDays";
constexpr const char* kSharedDaemonId = "Shared.DaemonId";
constexpr const char* kSharedStaleSeconds = "Shared.StaleSeconds";
}  // namespace key

std::string FileNameOf(const QSettings& settings) { return settings.fileName().toStdString(); }

std::optional<float> ParseSingle(std::string_view text) {
  text = TrimBlanks(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  float value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string SettingsFile() { return FileNameOf(OpenSettingsStore()); }

int StoredViewLines() {
  constexpr int kDefaultViewLines = 100000;
  bool ok = false;
  const int lines = OpenSettingsStore().value(key::kViewLines).toInt(&ok);
  return ok && lines >= 0 ? lines : kDefaultViewLines;
}

SettingsReader::SettingsReader() : settings_(OpenSettingsStore()) {
  if (settings_.status() == QSettings::NoError) return;
  throw SettingsError(error_number::kTypeMismatch,
                      "The settings file " + FileNameOf(settings_) +
                          " cannot be read.\r\nPlease correct or remove it. Corvane will quit now.",
                      "");
}

std::optional<std::string> SettingsReader::Text(const char* key) const {
  return StoredText(settings_, key);
}

void SettingsReader::Refuse(const char* key, const std::string& wanted, int number) const {
  throw SettingsError(number,
                      "The setting '" + std::string(key) + "' in " + FileNameOf(settings_) +
                          " cannot be used: '" + Text(key).value_or("") + "' is not " + wanted +
                          ".\r\nPlease correct or remove it. Corvane will quit now.",
                      key);
}

std::optional<float> SettingsReader::Single(const char* key) const {
  const auto text = Text(key);
  if (!text) return std::nullopt;
  const auto value = ParseSingle(*text);
  if (!value) Refuse(key, "a number", error_number::kTypeMismatch);
  return value;
}

std::optional<std::int16_t> SettingsReader::Int16(const char* key) const {
  const auto text = Text(key);
  if (!text) return std::nullopt;
  try {
    return ToInt16(*text);
  } catch (const DaemonError& error) {
    Refuse(key, "a whole number from -32768 to 32767", error.number());
  }
}

std::optional<bool> SettingsReader::Boolean(const char* key) const {
  const auto text = Text(key);
  if (!text) return std::nullopt;
  const QString word = QString::fromStdString(std::string(TrimBlanks(*text)));
  if (word.compare("True", Qt::CaseInsensitive) == 0) return true;
  if (word.compare("False", Qt::CaseInsensitive) == 0) return false;
  if (const auto number = ParseSingle(*text)) return *number != 0;
  Refuse(key, "True or False", error_number::kTypeMismatch);
}

SettingsWriter::SettingsWriter() : settings_(OpenSettingsStore()) {}

void SettingsWriter::Write(const char* key, const std::string& text) {
  settings_.setValue(key, QString::fromStdString(text));
}

// The store writes the whole file anew beside the old one; when that fails
// it only says so, and the system is asked why.
platform::Result<void> SettingsWriter::Commit() {
  settings_.sync();
  if (settings_.status() == QSettings::NoError) return {};
  platform::Result<void> replaceable = platform::CheckReplaceable(FileNameOf(settings_));
  return replaceable ? platform::Failed("the file could not be replaced") : replaceable;
}

DaemonSettings ReadDaemonSettings(const SettingsReader& reader) {
  DaemonSettings settings;
  if (const auto level = reader.Int16(key::kLogLevel)) settings.logLevel = LevelFromNumber(*level);
  if (auto language = reader.Text(key::kLanguage)) settings.languageFile = std::move(*language);
  if (auto file = reader.Text(key::kJournalFile)) settings.journal.file = std::move(*file);
  if (const auto enabled = reader.Boolean(key::kJournalEnabled))
    settings.journal.enabled = *enabled;
  if (const auto days = reader.Int16(key::kJournalKeepDays)) {
    if (*days < 0) reader.Refuse(key::kJournalKeepDays, "0 or more", error_number::kOverflow);
    settings.journal.keepDays = *days;
  }
  if (auto id = reader.Text(key::kSharedDaemonId)) settings.shared.daemonId = std::move(*id);
  if (const auto seconds = reader.Int16(key::kSharedStaleSeconds)) {
    if (*seconds < 1) reader.Refuse(key::kSharedStaleSeconds, "1 or more", error_number::kOverflow);
    settings.shared.staleSeconds = *seconds;
  }
  return settings;
}

void SettingsSaver::Save(const DaemonSettings& settings,
                         const std::function<void(SettingsWriter&)>& frontEnd) {
  SettingsWriter writer;
  if (frontEnd) frontEnd(writer);
  writer.Write(key::kLogLevel, std::to_string(LevelNumber(settings.logLevel)));
  writer.Write(key::kLanguage, settings.languageFile);
  writer.Write(key::kJournalFile, settings.journal.file);
  writer.Write(key::kJournalEnabled, settings.journal.enabled ? "True" : "False");
  writer.Write(key::kJournalKeepDays, std::to_string(settings.journal.keepDays));
  const platform::Result<void> committed = writer.Commit();
  if (committed || failing_) {
    failing_ = !committed;
    return;
  }
  failing_ = true;
  log_.Alert(FormatMsg(log_.language().Translate(txt::SettingsUnwritable),
                       {SettingsFile(), committed.error().text}));
}

}  // namespace corvane
