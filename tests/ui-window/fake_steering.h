#pragma once

#include <string>

#include "ui/daemon_steering.h"

namespace corvane::test {

class FakeSteering final : public DaemonSteering {
 public:
  bool IsRunning() const override { return running; }
  void SetRunning(bool run) override { running = run; }
  void CheckNow() override {}
  void Quit() override {}
  void ProcessCommand(const std::string&) override {}
  std::string DaemonName() const override { return name; }
  std::string Translate(const CatalogueText& text) const override { return std::string(text.text); }

  bool running = true;
  std::string name = "Inbox";
};

}  // namespace corvane::test
