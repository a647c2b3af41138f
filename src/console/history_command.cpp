#include "console/console_commands.h"
#include "console/history_report.h"
#include "core/daemon_controller.h"
#include "core/std_helpers.h"

namespace corvane {
void ConsoleCommands::History(const Tokens& tokens) {
  // A run of blanks leaves blanks at the front of tokens, or tokens of
  // blanks only: words are what is left without them.
  Tokens words;
  for (auto token = tokens.begin() + 1; token != tokens.end(); ++token) {
    const std::string_view word = TrimBlanks(*token);
    if (!word.empty()) words.emplace_back(word);
  }
  const std::optional<HistoryRequest> request = ParseHistoryRequest(words);
  if (!request) throw std::invalid_argument("history: unexpected arguments");
  ShowHistory(log(), context_.controller.JournalFile(),
              context_.controller.Settings().journal.enabled, *request);
}

}  // namespace corvane
