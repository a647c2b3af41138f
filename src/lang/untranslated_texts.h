#pragma once

#include "lang/text_catalogue.h"

namespace corvane::txt {

// Texts that no language file translates yet: they carry no number, so
// Translate always gives their English wording.
inline constexpr TextId kUntranslated = -1;

// clang-format off
inline constexpr CatalogueText DirectoryOutOfDescriptors{kUntranslated, "Directory %1 was not checked: no file descriptor left (the descriptor table is full)."};
inline constexpr CatalogueText FileOutOfDescriptors{kUntranslated, "Exclusive access to '%1' could not be tested: no file descriptor left (the descriptor table is full). Will retry in %2 sec."};
inline constexpr CatalogueText LogFileUnwritable{kUntranslated, "Cannot write the log file '%1': %2."};
inline constexpr CatalogueText SettingsUnwritable{kUntranslated, "Cannot write the settings file '%1': %2."};
inline constexpr CatalogueText LogFileWritableAgain{kUntranslated, "The log file '%1' is written again."};
inline constexpr CatalogueText FileRefused{kUntranslated, "Cannot use '%1' as %2: %3."};
inline constexpr CatalogueText LoadFailed{kUntranslated, "Could not load %1: %2."};
inline constexpr CatalogueText StartFailedReason{kUntranslated, "Could not start '%1': %2."};
inline constexpr CatalogueText UnknownPeriod{kUntranslated, "Observation point '%1': unknown LastChange period '%2'; the point will handle no file."};
// clang-format on

}  // namespace corvane::txt
