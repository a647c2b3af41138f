#pragma once

#include <string>

namespace corvane {

// Where the journal of an observation file is kept unless the settings name
// another file: "$XDG_STATE_HOME/corvane/" (~/.local/state/corvane/ where it
// is unset or not absolute) and the file's lock name with ".sqlite", so that
// every spelling of one observation file finds one journal.
std::string DefaultJournalFile(const std::string& observationFile);

}  // namespace corvane
