#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvane {

class DaemonController;
class Log;

// Everything the console commands act on. The controller must outlive the
// commands.
struct ConsoleContext {
  DaemonController& controller;
  // Asks the update server for a newer release (true: report every
  // outcome). Empty where no update check is built in: "chk_update" then
  // answers with its echo only.
  std::function<void(bool)> checkForUpdate;
  // Re-reads the tray menu's captions after the language changed; empty
  // where there is no tray.
  std::function<void()> translateTrayMenu;
};

// The interpreter of the console's one-line commands: echoes the command
// word, runs the command and answers in the log.
//
// Re-entrancy: "run" returns only when the check of every point is over,
// and a check may wait for a started command while events are handled. The
// caller must hand in the next line only after ProcessCommand returned.
// Commands that arrive while a check waits (from a tray click, say) may run
// meanwhile; changes of the point table are then deferred to the end of
// the check.
class ConsoleCommands {
 public:
  explicit ConsoleCommands(ConsoleContext context);

  // Runs one line. Never throws: anything that goes wrong, like a word
  // that names no command, answers "Command '<line>' not understood!"; the
  // part of the command that ran before stays done.
  void ProcessCommand(const std::string& line);

  ConsoleContext& context() { return context_; }

 private:
  using Tokens = std::vector<std::string>;
  using Handler = void (ConsoleCommands::*)(const Tokens&);
  struct Command {
    const char* word;
    Handler run;
  };
  static const std::vector<Command>& Table();

  // Commands; each gets the whole token list.
  void Quit(const Tokens&);
  void Clear(const Tokens&);
  void Pause(const Tokens&);
  void Continue(const Tokens&);
  void Run(const Tokens&);
  void Help(const Tokens&);
  void Version(const Tokens&);
  void Reload(const Tokens&);
  void Statistics(const Tokens&);
  void Configuration(const Tokens&);
  void CheckUpdate(const Tokens&);
  void Why(const Tokens& tokens);
  std::vector<std::string> LatestHandOverLines(const std::vector<std::string>& paths);
  void Set(const Tokens& tokens);
  void History(const Tokens& tokens);  // in history_command.cpp

  // The settings of "set", in set_command.cpp.
  void SetLogLevel(const std::string& value);
  void SetLogFile(const std::string& value);
  void SetXmlFile(const std::string& value);
  void SetName(const std::string& value);
  void SetLanguageFile(const std::string& value);
  void Refuse(const std::string& value, const char* setting, const std::string& problem);

  void NotUnderstood(const std::string& line);
  void Raw(const std::string& text);
  Log& log();

  ConsoleContext context_;
};

}  // namespace corvane
