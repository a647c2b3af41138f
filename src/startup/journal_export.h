#pragma once

#include <iosfwd>
#include <string>

#include "journal/hand_over.h"

namespace corvane {

class CommandLineSwitches;

namespace exit_code {
inline constexpr int kJournalUnreadable = 1;  // missing, not a journal, or damaged
inline constexpr int kBadJournalFilter = 2;
}  // namespace exit_code

// "--journal": writes the journal of an observation file to `out` as JSON
// lines, one object per hand-over, oldest first, and returns the exit code.
// Needs no daemon and leaves a running one undisturbed.
//
// The observation file is the value of "--journal", or of "--xml" when
// "--journal" has none; its journal is the settings' "Journal.File" when
// set, else the one kept for that observation file. "--point NAME",
// "--since TIME", "--until TIME" (start at or after, before) and
// "--outcome WORD" (exit, signal, terminated, "left running", "not
// started", running) narrow the rows. A TIME is ISO 8601
// ("2026-12-07T14:05:00Z", "...+01:00"; local time without a zone) or as the
// log writes it ("2026-12-07 14:05:00", local); a date alone is its local
// midnight. Problems go to `err`, with a non-zero exit code.
int PrintJournal(const CommandLineSwitches& commandLine, std::ostream& out, std::ostream& err);

// One hand-over as a JSON object on one line, ASCII only: every character
// beyond ASCII and every control character is escaped, so that the line is
// safe on a terminal. Paths and arguments are bytes: those that are valid
// UTF-8 go out as strings; others as strings with U+FFFD for each byte that
// does not fit, plus their exact bytes in base64 in a field of the same name
// with "_base64" ("path_base64", "moved_to_base64", and "arguments_base64"
// with every argument).
std::string HandOverJson(const journal::HandOver& row);

}  // namespace corvane
