#pragma once

#include <QSettings>
#include <optional>
#include <string>

namespace corvane {

// The names that place Corvane's per-user files: the settings file
// (~/.config/Talvex/Corvane.ini) and the cache directory
// (~/.cache/Talvex/Corvane).
inline constexpr char kOrganizationName[] = "Talvex";
inline constexpr char kApplicationName[] = "Corvane";

// Gives the application object those names; the cache directory needs them.
void SetApplicationNames();

// The per-user settings store. Every instance shares one file.
QSettings OpenSettingsStore();

// A stored value as text, or nothing when the key is missing. A value with
// a comma reads back as a list in this file format: it is joined again.
std::optional<std::string> StoredText(const QSettings& store, const char* key);

// The per-user cache directory, made when missing; the temporary directory
// when there is none.
std::string CacheDirectory();

}  // namespace corvane
