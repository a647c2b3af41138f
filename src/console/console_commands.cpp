#include "console/console_commands.h"

#include <algorithm>
#include <stdexcept>

#include "console/console_tokenizer.h"
#include "console/hand_over_lines.h"
#include "console/reports.h"
#include "console/why_report.h"
#include "core/daemon_controller.h"
#include "core/log.h"
#include "core/std_helpers.h"
#include "core/version.h"
#include "journal/journal_reader.h"
#include "lang/language.h"

namespace corvane {

ConsoleCommands::ConsoleCommands(ConsoleContext context) : context_(std::move(context)) {}

// Searched in this order; the first match runs.
const std::vector<ConsoleCommands::Command>& ConsoleCommands::Table() {
  static const std::vector<Command> kTable = {
      {"end", &ConsoleCommands::Quit},
      {"exit", &ConsoleCommands::Quit},
      {"quit", &ConsoleCommands::Quit},
      {"clear", &ConsoleCommands::Clear},
      {"cls", &ConsoleCommands::Clear},
      {"pause", &ConsoleCommands::Pause},
      {"halt", &ConsoleCommands::Pause},
      {"go", &ConsoleCommands::Continue},
      {"continue", &ConsoleCommands::Continue},
      {"run", &ConsoleCommands::Run},
      {"?", &ConsoleCommands::Help},
      {"help", &ConsoleCommands::Help},
      {"h", &ConsoleCommands::Help},
      {"ver", &ConsoleCommands::Version},
      {"reload", &ConsoleCommands::Reload},
      {"stat", &ConsoleCommands::Statistics},
      {"cfg", &ConsoleCommands::Configuration},
      {"chk_update", &ConsoleCommands::CheckUpdate},
      {"set", &ConsoleCommands::Set},
      {"history", &ConsoleCommands::History},
      {"why", &ConsoleCommands::Why},
  };
  return kTable;
}

void ConsoleCommands::ProcessCommand(const std::string& line) {
  try {
    const Tokens tokens = TokenizeCommand(line);
    Raw(FormatMsg("> %1:", {tokens[0]}));
    const std::string word = AsciiLower(tokens[0]);
    for (const Command& command : Table()) {
      if (word == command.word) {
        (this->*command.run)(tokens);
        return;
      }
    }
    NotUnderstood(line);
  } catch (...) {
    // Whatever failed, the user gets the one answer for a failed command.
    try {
      NotUnderstood(line);
    } catch (...) {
    }
  }
}

Log& ConsoleCommands::log() { return context_.controller.log(); }

void ConsoleCommands::NotUnderstood(const std::string& line) {
  log().WriteLog(FormatMsg(log().language().Translate(txt::CommandNotUnderstood), {line}),
                 LogLevel::Error, kRawLine);
}

void ConsoleCommands::Raw(const std::string& text) {
  log().WriteLog(text, LogLevel::Info, kRawLine);
}

void ConsoleCommands::Quit(const Tokens& tokens) {
  log().Message(txt::ExitingOnRequest, LogLevel::Info);
  context_.controller.Quit({StopReason::Kind::Command, AsciiLower(tokens[0])});
}

// The echo goes with the rest.
void ConsoleCommands::Clear(const Tokens&) { context_.controller.ClearView(); }

void ConsoleCommands::Pause(const Tokens&) {
  context_.controller.Pause();
  log().Message(txt::PausingOnRequest, LogLevel::Info);
}

void ConsoleCommands::Continue(const Tokens&) {
  context_.controller.Resume();
  log().Message(txt::ContinuingOnRequest, LogLevel::Info);
}

// Typed while a check waits for a command: the check under way is all
// there is, so nothing happens, not even a message.
void ConsoleCommands::Run(const Tokens&) {
  if (context_.controller.IsChecking()) return;
  log().Message(txt::SearchingOnRequest, LogLevel::Info);
  context_.controller.CheckAllNow();
}

void ConsoleCommands::Help(const Tokens&) { ShowHelp(log()); }

void ConsoleCommands::Version(const Tokens&) {
  Raw(std::string("Corvane ") + std::to_string(kVersionMajor) + "." +
      std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision));
  Raw(std::string("Build: ") + kBuildDate + " - " + kBuildTime);
}

// The message is written at once; the reload may wait for a walk's end.
void ConsoleCommands::Reload(const Tokens&) {
  log().Message(txt::Reloading, LogLevel::Info, {context_.controller.ObservationFile()});
  context_.controller.Reload();
}

void ConsoleCommands::Statistics(const Tokens&) {
  const DaemonController& controller = context_.controller;
  ShowStatistics(log(), controller.state(), controller.IsRunning());
}

void ConsoleCommands::Configuration(const Tokens&) {
  ShowConfiguration(log(), context_.controller.state());
}

void ConsoleCommands::CheckUpdate(const Tokens&) {
  if (context_.checkForUpdate) context_.checkForUpdate(true);
}

// A path with blanks is typed in double quotes. The journal's latest rows
// for the path are the lines that go under the verdicts.
// The latest hand-overs of each path, oldest first; none where the journal
// is off, missing or cannot be read ("history" says why).
std::vector<std::string> ConsoleCommands::LatestHandOverLines(
    const std::vector<std::string>& paths) {
  constexpr std::size_t kRowsPerPath = 5;
  const DaemonController& controller = context_.controller;
  if (!controller.Settings().journal.enabled) return {};
  std::vector<journal::HandOver> rows;
  for (const std::string& path : paths) {
    journal::Filter filter;
    filter.path = path;
    filter.latest = kRowsPerPath;
    platform::Result<std::vector<journal::HandOver>> read =
        journal::ReadHandOvers(controller.JournalFile(), filter);
    if (read) rows.insert(rows.end(), read->begin(), read->end());
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.startedMs < b.startedMs; });
  return FormatHandOverLines(rows, log().language());
}

void ConsoleCommands::Why(const Tokens& tokens) {
  if (tokens.size() < 2 || tokens[1].empty()) throw std::invalid_argument("why without a path");
  const DaemonController& controller = context_.controller;
  ShowWhy(log(), controller.state(), controller.clock(), tokens[1],
          [&](const std::vector<std::string>& paths) { return LatestHandOverLines(paths); });
}

}  // namespace corvane
