#include "headless/console_front_end.h"

#include <QCoreApplication>
#include <iostream>
#include <ostream>

#include "core/clock.h"
#include "core/settings_store.h"
#include "headless/stdin_reader.h"
#include "platform/terminal.h"
#include "startup/daemon_app.h"

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

ConsoleOutput::ConsoleOutput(std::ostream& out, std::ostream& err, bool terminal)
    : out_(out), err_(err), terminal_(terminal) {}

void ConsoleOutput::AddLine(const std::string& text, bool bold) {
  if (bold && terminal_) {
    out_ << "\x1b[1m" << text << "\x1b[0m\n";
  } else {
    out_ << text << '\n';
  }
  out_.flush();
}

void ConsoleOutput::Clear() {
  if (!terminal_) return;
  out_ << "\x1b[H\x1b[2J";
  out_.flush();
}

void ConsoleOutput::ShowMessage(const std::string& title, const std::string& text) {
  err_ << title << ": " << ToTerminalLines(text) << '\n';
  err_.flush();
}

void ConsoleOutput::SetCaption(const std::string& caption) {
  if (!terminal_) return;
  out_.flush();  // the title must not land in the middle of a line
  platform::SetTerminalTitle(caption);
}

int RunConsoleFrontEnd(int& argc, char** argv, CommandLineSwitches commandLine) {
  QCoreApplication app(argc, argv);
  SetApplicationNames();
  ConsoleOutput console(std::cout, std::cerr, platform::StdoutIsTerminal());
  const SystemClock clock;
  // No settings of a window; the commands' output goes to standard error,
  // out of the log lines on standard output.
  DaemonApp daemon(std::move(commandLine), clock);
  const DaemonController& controller = daemon.controller();
  QObject::connect(&controller, &DaemonController::LineLogged,
                   [&console](const std::string& line, bool bold, bool shown) {
                     if (shown) console.AddLine(line, bold);
                   });
  QObject::connect(&controller, &DaemonController::ViewCleared, [&console] { console.Clear(); });
  QObject::connect(&controller, &DaemonController::MessageRequested,
                   [&console](const std::string& title, const std::string& text, MessageIcon) {
                     console.ShowMessage(title, text);
                   });
  QObject::connect(&daemon, &DaemonApp::CaptionChanged,
                   [&console](const std::string& caption) { console.SetCaption(caption); });
  QObject::connect(
      &daemon.updater(), &UpdateChecker::Offered, [&console](const UpdateOffer& offer) {
        // Nobody can answer here: the question names the download location for
        // the reader to fetch by hand, and is answered No.
        console.ShowMessage(offer.title, QuestionNamingLocation(offer) +
                                             "\r\n(no one to answer in console mode: No)");
      });
  StdinReader input([&daemon](const std::string& line) { daemon.ProcessCommand(line); });
  QObject::connect(&controller, &DaemonController::ReadyForCommands, &input, &StdinReader::Start);
  daemon.Start();
  return QCoreApplication::exec();
}

}  // namespace corvane
