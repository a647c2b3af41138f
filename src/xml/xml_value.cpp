#include "xml/xml_value.h"

#include <charconv>
#include <cmath>

namespace corvane {

// Shortest text that reads back as the same double; infinities and NaN get
// the spellings XML Schema uses for them.
XmlValue::XmlValue(double number) {
  if (std::isnan(number)) {
    text_ = "NaN";
    return;
  }
  if (std::isinf(number)) {
    text_ = number > 0 ? "INF" : "-INF";
    return;
  }
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  text_.assign(buffer, result.ptr);
}

}  // namespace corvane
