#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

class Log;

// What "history [count] [point] [name pattern]" asks for.
struct HistoryRequest {
  static constexpr std::size_t kDefaultCount = 20;
  std::size_t count = kDefaultCount;
  std::optional<std::string> point;        // exactly this point's name
  std::optional<std::string> namePattern;  // a FilePattern, "|" between patterns
};

// Reads the words after "history": a count (a whole number from 1) if the
// first word is a number, then a point ("*" for every point), then a name
// pattern. Nothing when they do not fit.
std::optional<HistoryRequest> ParseHistoryRequest(const std::vector<std::string>& words);

// The report of "history": a heading and the latest hand-overs of the
// journal in `journalFile` that the request asks for, newest last, written
// raw. A journal that is off, missing or empty gives one line that says so.
void ShowHistory(Log& log, const std::string& journalFile, bool journalOn,
                 const HistoryRequest& request);

}  // namespace corvane
