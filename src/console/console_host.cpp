#include "console/console_host.h"

#include <ostream>

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

ConsoleHost::ConsoleHost(std::ostream& out, std::ostream& err, bool boldAllowed)
    : out_(out), err_(err), boldAllowed_(boldAllowed) {}

void ConsoleHost::AddItem(const std::string& text, bool bold) {
  if (bold && boldAllowed_) {
    out_ << "\x1b[1m" << text << "\x1b[0m\n";
  } else {
    out_ << text << '\n';
  }
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

}  // namespace corvane

#include <iostream>

#include "core/platform/platform.h"

namespace corvane {

ConsoleHost MakeStdioConsoleHost() {
  return ConsoleHost(std::cout, std::cerr, platform::StdoutIsTerminal());
}

}  // namespace corvane
