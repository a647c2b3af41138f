#include "core/std_helpers.h"

#include <limits>
#include <stdexcept>

#include "platform/files.h"

namespace corvane {

std::int32_t Inc(std::int32_t& n) {
  if (n == std::numeric_limits<std::int32_t>::max()) throw std::overflow_error("Overflow");
  return ++n;
}

bool PathExists(const std::string& path) { return platform::PathExists(path); }

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string_view TrimBlanks(std::string_view text, std::string_view blanks) {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace corvane
