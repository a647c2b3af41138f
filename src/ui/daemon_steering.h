#pragma once

#include <string>

#include "lang/text_catalogue.h"

namespace corvane {

// What the window and the tray ask of the daemon: the same operations the
// console's commands use. Every call returns once the operation is done;
// a check started here runs to its end (handling events while it waits for
// a command).
class DaemonSteering {
 public:
  virtual ~DaemonSteering() = default;
  virtual bool IsRunning() const = 0;
  // Pauses or resumes; the caption follows.
  virtual void SetRunning(bool run) = 0;
  // Checks every point now, whatever its interval.
  virtual void CheckNow() = 0;
  // The orderly stop chosen in the tray menu.
  virtual void Quit() = 0;
  // One line typed into the input line.
  virtual void ProcessCommand(const std::string& line) = 0;
  virtual std::string DaemonName() const = 0;
  virtual std::string Translate(const CatalogueText& text) const = 0;
};

}  // namespace corvane
