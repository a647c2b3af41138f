#pragma once

#include <string>
#include <vector>

#include "ui/daemon_steering.h"

namespace corvane::test {

// A daemon whose state the test sets; records what the window asked of it.
class FakeSteering final : public DaemonSteering {
 public:
  bool IsRunning() const override { return running; }
  void SetRunning(bool run) override { running = run; }
  void CheckNow() override { ++checks; }
  void Quit() override { ++quits; }
  void ProcessCommand(const std::string& line) override {
    if (duringCommand) duringCommand();
    commands.push_back(line);
  }
  std::string DaemonName() const override { return name; }
  std::string Translate(const CatalogueText& text) const override { return std::string(text.text); }

  bool running = true;
  std::string name = "Inbox";
  int checks = 0;
  int quits = 0;
  std::vector<std::string> commands;
  std::function<void()> duringCommand;
};

}  // namespace corvane::test
