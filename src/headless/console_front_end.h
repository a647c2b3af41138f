#pragma once

#include <iosfwd>
#include <string>

#include "startup/command_line.h"

namespace corvane {

// Console mode's view of the daemon: log lines on standard output (bold as
// ANSI bold on a terminal), message boxes on standard error, the caption as
// the terminal's title. There is no window to see and no tray to show
// balloons in.
class ConsoleOutput {
 public:
  // terminal: `out` is a terminal, which understands bold, clearing and a
  // title.
  ConsoleOutput(std::ostream& out, std::ostream& err, bool terminal);

  void AddLine(const std::string& text, bool bold);
  // Clears the screen of a terminal; written lines cannot be taken back.
  void Clear();
  void ShowMessage(const std::string& title, const std::string& text);
  void SetCaption(const std::string& caption);

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
};

// Runs the daemon in console mode until it ends and returns the process's
// exit code: the log on standard output, console commands read from
// standard input from the first check of start-up on, so that "exit" is
// heard while it runs. The end of the input leaves the daemon running.
int RunConsoleFrontEnd(int& argc, char** argv, CommandLineSwitches commandLine);

}  // namespace corvane
