#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvane {

class Clock;
class Log;
struct DaemonState;

// The answer of "why PATH": for every point whose folder holds the path, a
// line per rule in the order the check applies them, the verdict, and why
// the rule that stops it does; a path in no point's folder is told so.
// Then the lines `afterVerdicts` gives for the paths the verdicts judged
// (the typed path when no point holds it), such as their latest
// hand-overs, already made fit for the view. Every line is written raw.
using LinesForPaths = std::function<std::vector<std::string>(const std::vector<std::string>&)>;
void ShowWhy(Log& log, const DaemonState& state, const Clock& clock, const std::string& path,
             const LinesForPaths& afterVerdicts);

}  // namespace corvane
