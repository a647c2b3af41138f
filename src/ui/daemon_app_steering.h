#pragma once

#include "ui/daemon_steering.h"

namespace corvane {

class DaemonApp;

// The window's steering of the daemon through the start-up object, the one
// that the console commands steer too. The daemon must outlive it.
class DaemonAppSteering final : public DaemonSteering {
 public:
  explicit DaemonAppSteering(DaemonApp& app) : app_(app) {}

  bool IsRunning() const override;
  void SetRunning(bool run) override;
  void CheckNow() override;
  void Quit() override;
  void ProcessCommand(const std::string& line) override;
  std::string DaemonName() const override;
  std::string Translate(const CatalogueText& text) const override;

 private:
  DaemonApp& app_;
};

}  // namespace corvane
