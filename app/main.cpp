// corvane: watches directories and runs a command for every file that arrives.

#include <QCoreApplication>
#include <iostream>

#include "core/settings_store.h"
#include "core/version.h"
#include "headless/console_host.h"
#include "headless/stdin_reader.h"
#include "startup/command_line.h"
#include "startup/daemon_app.h"
#include "ui/window_main.h"

namespace {

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

}  // namespace

int main(int argc, char** argv) {
  corvane::CommandLineSwitches commandLine(ArgumentsOf(argc, argv));
  if (commandLine.WantsHelp()) {
    std::cout << corvane::UsageText();
    return corvane::ExitCode::Ok;
  }
  if (commandLine.WantsVersion()) {
    std::cout << "Corvane " << corvane::kVersionText << '\n';
    return corvane::ExitCode::Ok;
  }
  for (const std::string& arg : commandLine.UnknownArguments()) {
    std::cerr << "corvane: ignoring unknown argument '" << arg << "'\n";
  }

  if (const std::string platforms = corvane::WindowPlatformsFor(commandLine); !platforms.empty()) {
    return corvane::RunWindowFrontEnd(argc, argv, platforms, std::move(commandLine));
  }

  QCoreApplication app(argc, argv);
  corvane::SetApplicationNames();
  corvane::ConsoleHost console = corvane::MakeStdioConsoleHost();
  const corvane::SystemClock clock;
  corvane::DaemonApp daemon({console, console, console, console, nullptr}, std::move(commandLine),
                            clock);
  // Commands are read from the first check of start-up on, so that "exit"
  // is heard while it runs; the end of the input leaves the daemon running.
  corvane::StdinReader input([&daemon](const std::string& line) { daemon.ProcessCommand(line); });
  daemon.SetConsoleStarter([&input] { input.Start(); });
  daemon.Start();
  return app.exec();
}
