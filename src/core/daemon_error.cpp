#include "core/daemon_error.h"

#include <new>

#include "core/visible_text.h"

namespace corvane {

DaemonError TypeMismatchError() {
  return DaemonError(error_number::kTypeMismatch, "Type mismatch");
}

DaemonError OverflowError() { return DaemonError(error_number::kOverflow, "Overflow"); }

std::string ErrorLine(const std::string& where, const std::exception& error) {
  int number = error_number::kInternal;
  std::string description = error.what();
  if (const auto* own = dynamic_cast<const DaemonError*>(&error)) {
    number = own->number();
  } else if (dynamic_cast<const std::overflow_error*>(&error)) {
    number = error_number::kOverflow;
    description = "Overflow";
  } else if (dynamic_cast<const std::bad_alloc*>(&error)) {
    number = error_number::kOutOfMemory;
    description = "Out of memory";
  }
  // A library's description may quote a path.
  return where + std::to_string(number) + " (" + VisibleText(description) + ")";
}

}  // namespace corvane
