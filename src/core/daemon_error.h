#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace corvane {

// Error numbers the daemon logs after a procedure's name, as in
// "modMain::fLoadFile:13 (Type mismatch)". They never change, so logs stay
// comparable across versions.
namespace error_number {
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kInternal = 51;
}  // namespace error_number

// An error with one of the numbers above.
class DaemonError : public std::runtime_error {
 public:
  DaemonError(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

// A text that is not a number, or not one of the wanted form.
DaemonError TypeMismatchError();
// A number outside the range of its destination.
DaemonError OverflowError();

// "where" followed directly by the number, " (", the description and ")".
// Any exception maps to a number: ours carry one, an overflow and a failed
// allocation have their own, anything else counts as an internal error.
std::string ErrorLine(const std::string& where, const std::exception& error);

}  // namespace corvane
