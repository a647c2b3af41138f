#pragma once

// How the log feeds its view: one line at a time, refreshed at once, with the
// view capped so that a daemon running for months does not grow it without
// bound (the log file keeps every line). The log itself scrolls the view to
// its end after every line, shown or not.

#include <QString>

namespace corvane {

class McListBox;

// Appends the line; when it would pass `limit` lines (0: no limit), the
// oldest lines go first, in one step.
void AppendLogLine(McListBox& view, const QString& text, bool bold, int limit);

}  // namespace corvane
