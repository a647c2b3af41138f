#pragma once

#include <string>
#include <vector>

#include "journal/hand_over.h"

namespace corvane {

class Language;

// The hand-overs as the console shows them, one line each in the order
// given: start time (local, as the log stamps it), point, outcome ("exit 0",
// "signal 9", "terminated", ...), duration and the file's name, in columns
// aligned across the lines. Point and name are made visible as the log makes
// them (no control character or invalid UTF-8 gets through raw).
std::vector<std::string> FormatHandOverLines(const std::vector<journal::HandOver>& rows,
                                             const Language& language);

}  // namespace corvane
