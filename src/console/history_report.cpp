#include "console/history_report.h"

#include <cerrno>
#include <charconv>
#include <memory>

#include "console/hand_over_lines.h"
#include "core/log.h"
#include "journal/journal_reader.h"
#include "lang/language.h"
#include "text/file_pattern.h"

namespace corvane {
namespace {

std::optional<std::size_t> CountFrom(const std::string& word) {
  std::size_t count = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), count);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return count;
}

void WriteRaw(Log& log, const std::string& text) { log.WriteLog(text, LogLevel::Info, kRawLine); }

}  // namespace

std::optional<HistoryRequest> ParseHistoryRequest(const std::vector<std::string>& words) {
  HistoryRequest request;
  auto word = words.begin();
  if (word != words.end() && !word->empty() &&
      word->find_first_not_of("0123456789") == std::string::npos) {
    const std::optional<std::size_t> count = CountFrom(*word++);
    if (!count || *count == 0) return std::nullopt;
    request.count = *count;
  }
  if (word != words.end()) {
    if (*word != "*") request.point = *word;
    ++word;
  }
  if (word != words.end()) request.namePattern = *word++;
  if (word != words.end()) return std::nullopt;
  return request;
}

void ShowHistory(Log& log, const std::string& journalFile, bool journalOn,
                 const HistoryRequest& request) {
  const Language& language = log.language();
  if (!journalOn) {
    WriteRaw(log, language.Translate(txt::JournalOff));
    return;
  }
  journal::Filter filter{.point = request.point, .latest = request.count};
  if (request.namePattern) {
    filter.nameMatches = [patterns = std::make_shared<const FilePatternList>(*request.namePattern)](
                             std::string_view name) { return patterns->Matches(name); };
  }
  const auto rows = journal::ReadHandOvers(journalFile, filter);
  if (!rows && rows.error().code != ENOENT) {
    WriteRaw(log, FormatMsg(language.Translate(txt::JournalUnreadable),
                            {journalFile, rows.error().text}));
    return;
  }
  if (!rows || rows->empty()) {
    WriteRaw(log, FormatMsg(language.Translate(txt::HistoryEmpty), {journalFile}));
    return;
  }
  WriteRaw(log, FormatMsg(language.Translate(txt::HistoryHeader), {request.count, journalFile}));
  for (const std::string& line : FormatHandOverLines(*rows, language)) WriteRaw(log, line);
}

}  // namespace corvane
