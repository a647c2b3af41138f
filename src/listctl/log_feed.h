#pragma once

// How the log feeds its view: one line at a time, refreshed at once and
// followed to the bottom, with the view capped so that a daemon running for
// months does not grow it without bound (the log file keeps every line).

#include <QString>

namespace corvane {

class McListBox;

// The settings key of the cap and its default; 0 means no limit.
inline constexpr char kViewLinesKey[] = "Log.ViewLines";
inline constexpr int kDefaultViewLines = 100000;

// Appends the line; when it would pass `limit` lines, the oldest lines go
// first, in one step.
void AppendLogLine(McListBox& view, const QString& text, bool bold, int limit);

}  // namespace corvane
