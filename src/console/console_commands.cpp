#include "console/console_commands.h"

#include "console/console_tokenizer.h"
#include "console/daemon_control.h"
#include "console/reports.h"
#include "core/daemon.h"
#include "core/hosts/log_view.h"
#include "core/std_helpers.h"
#include "core/version.h"

namespace corvane {

ConsoleCommands::ConsoleCommands(ConsoleContext context) : context_(std::move(context)) {}

// Searched in this order; the first match runs.
const std::vector<ConsoleCommands::Command>& ConsoleCommands::Table() {
  static const std::vector<Command> table = {
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
  };
  return table;
}

void ConsoleCommands::ProcessCommand(const std::string& sLine) {
  try {
    const Tokens tokens = TokenizeCommand(sLine);
    Raw(FormatMsg("> %1:", {tokens[0]}));
    const std::string word = AsciiLower(tokens[0]);
    for (const Command& command : Table()) {
      if (word == command.word) {
        (this->*command.run)(tokens);
        return;
      }
    }
    NotUnderstood(sLine);
  } catch (...) {
    // Whatever failed, the user gets the one answer for a failed command.
    try {
      NotUnderstood(sLine);
    } catch (...) {
    }
  }
}

void ConsoleCommands::NotUnderstood(const std::string& sLine) {
  Log& log = context_.daemon.log;
  log.WriteLog(FormatMsg(log.language().Translate(txt::CommandNotUnderstood), {sLine}),
               LogLevel::Error, false, true);
}

void ConsoleCommands::Raw(const std::string& text) {
  context_.daemon.log.WriteLog(text, LogLevel::Info, false, true);
}

void ConsoleCommands::RefreshCaption() {
  UpdateCaption(context_.daemon.state, context_.daemon.language, context_.control);
}

void ConsoleCommands::Quit(const Tokens&) {
  context_.daemon.log.Message(txt::ExitingOnRequest, LogLevel::Info);
  context_.control.QuitDaemon();
}

// The echo goes with the rest.
void ConsoleCommands::Clear(const Tokens&) { context_.daemon.log.view().Clear(); }

// Pausing and continuing only switch the check timer: a check under way
// runs to its end.
void ConsoleCommands::Pause(const Tokens&) {
  context_.control.SetRunning(false);
  context_.daemon.log.Message(txt::PausingOnRequest, LogLevel::Info);
  RefreshCaption();
}

void ConsoleCommands::Continue(const Tokens&) {
  context_.control.SetRunning(true);
  context_.daemon.log.Message(txt::ContinuingOnRequest, LogLevel::Info);
  RefreshCaption();
}

// Typed while a check waits for a command: the check under way is all
// there is, so nothing happens, not even a message.
void ConsoleCommands::Run(const Tokens&) {
  Daemon& daemon = context_.daemon;
  if (daemon.state.bCheckRunning) return;
  daemon.log.Message(txt::SearchingOnRequest, LogLevel::Info);
  daemon.cycle.fCheckPoints(true);
}

void ConsoleCommands::Help(const Tokens&) { ShowHelp(context_.daemon.log); }

void ConsoleCommands::Version(const Tokens&) {
  Raw(std::string("Corvane ") + std::to_string(kVersionMajor) + "." +
      std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision));
  Raw(std::string("Build: ") + kBuildDate + " - " + kBuildTime);
}

// The table must not change under a check that walks it: the reload (and
// the caption, which may show a name from the file) then waits for the
// walk's end. The message is written at once.
void ConsoleCommands::Reload(const Tokens&) {
  Daemon& daemon = context_.daemon;
  daemon.log.Message(txt::Reloading, LogLevel::Info, {daemon.state.sXmlFile});
  daemon.cycle.ChangePointTable([this] {
    context_.daemon.loader.ReloadPoints();
    RefreshCaption();
  });
}

void ConsoleCommands::Statistics(const Tokens&) {
  ShowStatistics(context_.daemon.log, context_.daemon.state, context_.control.IsRunning());
}

void ConsoleCommands::Configuration(const Tokens&) {
  ShowConfiguration(context_.daemon.log, context_.daemon.state);
}

void ConsoleCommands::CheckUpdate(const Tokens&) {
  if (context_.checkForUpdate) context_.checkForUpdate(true);
}

}  // namespace corvane
