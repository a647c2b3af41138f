#include "headless/console_host.h"

#include <iostream>
#include <ostream>

#include "core/platform/terminal.h"

namespace corvane {
namespace {

// Message boxes may hold CR LF line breaks; a terminal wants plain LF.
std::string ToTerminalLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

}  // namespace

ConsoleHost::ConsoleHost(std::ostream& out, std::ostream& err, bool terminal)
    : out_(out), err_(err), terminal_(terminal) {}

void ConsoleHost::AddItem(const std::string& text, bool bold) {
  if (bold && terminal_) {
    out_ << "\x1b[1m" << text << "\x1b[0m\n";
  } else {
    out_ << text << '\n';
  }
  out_.flush();
}

void ConsoleHost::Clear() {
  if (!terminal_) return;
  out_ << "\x1b[H\x1b[2J";
  out_.flush();
}

void ConsoleHost::ShowMessage(const std::string& title, const std::string& text,
                              MessageIcon /*icon*/) {
  err_ << title << ": " << ToTerminalLines(text) << '\n';
  err_.flush();
}

bool ConsoleHost::AskYesNo(const std::string& title, const std::string& text) {
  ShowMessage(title, text + "\r\n(no one to answer in console mode: No)", MessageIcon::Information);
  return false;
}

void ConsoleHost::SetCaption(const std::string& caption) {
  if (!terminal_) return;
  out_.flush();  // the title must not land in the middle of a line
  platform::SetTerminalTitle(caption);
}

ConsoleHost MakeStdioConsoleHost() {
  return ConsoleHost(std::cout, std::cerr, platform::StdoutIsTerminal());
}

}  // namespace corvane
