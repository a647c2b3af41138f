#include "console/console_commands.h"
#include "console/history_report.h"
#include "core/daemon_controller.h"
#include "core/settings.h"
#include "core/std_helpers.h"

namespace corvane {
namespace {

// "Journal.Enabled" as last saved: every change of the setting is saved at
// once. An unreadable settings file leaves the journal on, its default.
bool JournalOn() {
  try {
    return SettingsReader().Boolean("Journal.Enabled").value_or(true);
  } catch (const SettingsError&) {
    return true;
  }
}

}  // namespace

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
  ShowHistory(log(), context_.controller.JournalFile(), JournalOn(), *request);
}

}  // namespace corvane
