#pragma once

#include <string>

namespace corvane {

// The list of log lines the user sees: the window's log view, stdout in
// console mode, a recorder in tests.
class LogView {
 public:
  virtual ~LogView() = default;
  // Appends one line (never containing a line break).
  virtual void AddItem(const std::string& text, bool bold) = 0;
  virtual void ScrollToBottom() = 0;
  virtual void Clear() = 0;
};

}  // namespace corvane
