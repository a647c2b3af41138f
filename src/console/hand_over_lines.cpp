#include "console/hand_over_lines.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <cstdio>

#include "core/clock.h"
#include "core/format_msg.h"
#include "core/visible_text.h"
#include "lang/language.h"

namespace corvane {
namespace {

enum Column { TimeColumn, PointColumn, OutcomeColumn, DurationColumn, NameColumn, ColumnCount };
using Cells = std::array<std::string, ColumnCount>;

std::string OutcomeText(const journal::HandOver& row, const Language& language) {
  using journal::Outcome;
  const std::string code = row.code ? std::to_string(*row.code) : "?";
  switch (row.outcome) {
    case Outcome::Running: return language.Translate(txt::StateRunning);
    case Outcome::Exited: return FormatMsg(language.Translate(txt::OutcomeExit), {code});
    case Outcome::Signalled: return FormatMsg(language.Translate(txt::StopBySignal), {code});
    case Outcome::Terminated: return language.Translate(txt::OutcomeTerminated);
    case Outcome::LeftRunning: return language.Translate(txt::OutcomeLeftRunning);
    case Outcome::NotStarted: return language.Translate(txt::OutcomeNotStarted);
  }
  return {};
}

// "850 ms", "12.3 s", "4:05 min", "2:03:04 h"; "-" while it is not known.
std::string DurationText(const std::optional<std::int64_t>& durationMs) {
  if (!durationMs || *durationMs < 0) return "-";
  const long long ms = *durationMs;
  const long long seconds = ms / 1000;
  std::array<char, 48> text{};
  if (ms < 1000) {
    std::snprintf(text.data(), text.size(), "%lld ms", ms);
  } else if (seconds < 60) {
    std::snprintf(text.data(), text.size(), "%lld.%lld s", seconds, ms % 1000 / 100);
  } else if (seconds < 3600) {
    std::snprintf(text.data(), text.size(), "%lld:%02lld min", seconds / 60, seconds % 60);
  } else {
    std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld h", seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
  }
  return text.data();
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Characters, not bytes: the cells are valid UTF-8 once made visible.
std::size_t Width(const std::string& cell) {
  return static_cast<std::size_t>(std::count_if(cell.begin(), cell.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

std::vector<std::string> FormatHandOverLines(const std::vector<journal::HandOver>& rows,
                                             const Language& language) {
  std::vector<Cells> table;
  std::array<std::size_t, ColumnCount> widths{};
  for (const journal::HandOver& row : rows) {
    Cells cells{FormatTimeStamp(QDateTime::fromMSecsSinceEpoch(row.startedMs)).toStdString(),
                VisibleText(row.point), OutcomeText(row, language), DurationText(row.durationMs),
                VisibleText(NameOf(row.path))};
    for (std::size_t i = 0; i < ColumnCount; ++i) widths[i] = std::max(widths[i], Width(cells[i]));
    table.push_back(std::move(cells));
  }
  std::vector<std::string> lines;
  for (const Cells& cells : table) {
    std::string line;
    for (std::size_t i = 0; i < ColumnCount; ++i) {
      const std::string padding(widths[i] - Width(cells[i]), ' ');
      if (i > 0) line += "  ";
      // Durations line up on the right, the rest on the left; the name ends
      // the line unpadded.
      if (i == DurationColumn) line += padding;
      line += cells[i];
      if (i != DurationColumn && i != NameColumn) line += padding;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace corvane
