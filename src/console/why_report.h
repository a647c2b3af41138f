#pragma once

#include <string>
#include <vector>

namespace corvane {

class Clock;
class Log;
struct DaemonState;

// The answer of "why PATH": for every point whose folder holds the path, a
// line per rule in the order the check applies them, the verdict, and why
// the rule that stops it does; a path in no point's folder is told so.
// `afterVerdicts` (lines already made fit for the view, such as the path's
// latest hand-overs) follow as they are. Every line is written raw.
void ShowWhy(Log& log, const DaemonState& state, const Clock& clock, const std::string& path,
             const std::vector<std::string>& afterVerdicts);

}  // namespace corvane
