#pragma once

#include <string>

namespace corvane::test {

// So that a failed comparison shows the whole rectangle.
template <typename Rect>
std::string RectText(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
         "x" + std::to_string(r.height);
}

}  // namespace corvane::test
