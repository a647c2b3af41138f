#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One value for a numbered placeholder: a text, or a number in its plain
// decimal form.
class MsgArg {
 public:
  MsgArg(std::string_view text) : text_(text) {}    // NOLINT: implicit by design
  MsgArg(const std::string& text) : text_(text) {}  // NOLINT
  MsgArg(const char* text) : text_(text) {}         // NOLINT
  template <std::integral Number>
  MsgArg(Number n) : text_(std::to_string(n)) {}  // NOLINT
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Fills %1, %2, … with the values; %12 is the twelfth value, not the first
// followed by "2", when there are twelve. A placeholder without a value
// stays as it is; surplus values are not used; a value is never searched
// for placeholders itself. Every value
// goes in as VisibleText, so no name can split a log line or reach the
// terminal as a control sequence.
std::string FormatMsg(std::string_view templateText, const std::vector<MsgArg>& args);

// Numbers that some messages show with one leading blank (" 0", " 3").
std::string WithLeadingBlank(long long n);

}  // namespace corvane
