// corvane: watches directories and runs a command for every file that arrives.

#include <iostream>

#include "core/version.h"
#include "headless/console_front_end.h"
#include "startup/command_line.h"
#include "startup/daemon_app.h"
#include "startup/journal_export.h"
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
    return corvane::exit_code::kOk;
  }
  if (commandLine.WantsVersion()) {
    std::cout << "Corvane " << corvane::kVersionText << '\n';
    return corvane::exit_code::kOk;
  }
  if (commandLine.IsSet("journal")) return corvane::PrintJournal(commandLine, std::cout, std::cerr);
  for (const std::string& arg : commandLine.UnknownArguments()) {
    std::cerr << "corvane: ignoring unknown argument '" << arg << "'\n";
  }
  if (const std::string platforms = corvane::WindowPlatformsFor(commandLine); !platforms.empty()) {
    return corvane::RunWindowFrontEnd(argc, argv, platforms, std::move(commandLine));
  }
  return corvane::RunConsoleFrontEnd(argc, argv, std::move(commandLine));
}
