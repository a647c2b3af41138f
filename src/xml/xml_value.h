#pragma once

#include <concepts>
#include <string>
#include <string_view>

namespace corvane {

// A value written into a document: text, a whole number, a floating-point
// number or a boolean. It is turned into text once, when it is made, so the
// editing code only ever sees text. A string literal stays text (it never
// decays into a boolean).
class XmlValue {
 public:
  XmlValue(std::string text) : text_(std::move(text)) {}
  XmlValue(std::string_view text) : text_(text) {}
  XmlValue(const char* text) : text_(text != nullptr ? text : "") {}
  XmlValue(bool flag) : text_(flag ? "true" : "false") {}
  XmlValue(double number);
  template <std::integral T>
  requires(!std::same_as<T, bool>) XmlValue(T number) : text_(std::to_string(number)) {}

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace corvane
