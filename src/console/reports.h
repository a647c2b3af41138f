#pragma once

#include <string>

namespace corvane {

class Language;
class Log;
struct DaemonState;

// The reports of the console. Their wording and layout come from the
// language file (texts 44 to 47); the program supplies the values. Every
// line is written raw: no stamp, always shown, never in the log file.

void ShowHelp(Log& log);
// An error while a report is being written ends it silently; the lines
// already written stay.
void ShowConfiguration(Log& log, const DaemonState& state);
void ShowStatistics(Log& log, const DaemonState& state, bool running);

// The daemon's name (or "Corvane [observation file]" when it has none) and
// its state word in brackets.
std::string CaptionText(const DaemonState& state, const Language& language, bool running);

}  // namespace corvane
