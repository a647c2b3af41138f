#pragma once

#include "lang/text_catalogue.h"

namespace corvane::txt {

// Texts that no language file translates yet: they carry no number, so
// Translate always gives their English wording.
inline constexpr TextId kUntranslated = -1;

// Named like the catalogue's texts, and made the same way, so that a text
// keeps its name when it gets a number.
// clang-format off
#define CORVANE_UNTRANSLATED(TEXT) \
  TEXT(DirectoryOutOfDescriptors, "Directory %1 was not checked: no file descriptor left (the descriptor table is full).") \
  TEXT(FileOutOfDescriptors, "Exclusive access to '%1' could not be tested: no file descriptor left (the descriptor table is full). Will retry in %2 sec.") \
  TEXT(LogFileUnwritable, "Cannot write the log file '%1': %2.") \
  TEXT(SettingsUnwritable, "Cannot write the settings file '%1': %2.") \
  TEXT(LogFileWritableAgain, "The log file '%1' is written again.") \
  TEXT(FileRefused, "Cannot use '%1' as %2: %3.") \
  TEXT(LoadFailed, "Could not load %1: %2.") \
  TEXT(StartFailedReason, "Could not start '%1': %2.") \
  TEXT(UnknownPeriod, "Observation point '%1': unknown LastChange period '%2'; the point will handle no file.")
// clang-format on

#define CORVANE_UNTRANSLATED_ENTRY(name, english) \
  inline constexpr CatalogueText name{kUntranslated, english};
CORVANE_UNTRANSLATED(CORVANE_UNTRANSLATED_ENTRY)
#undef CORVANE_UNTRANSLATED_ENTRY
#undef CORVANE_UNTRANSLATED

}  // namespace corvane::txt
