#include "core/number_text.h"

#include <limits>

#include "core/daemon_error.h"
#include "core/std_helpers.h"
#include "text/text_bytes.h"

namespace corvane {
namespace {

// Whether the fraction's digits round the magnitude up, halves to even.
bool RoundsUp(std::string_view fraction, bool magnitudeIsOdd) {
  if (fraction.empty() || fraction.front() < '5') return false;
  if (fraction.front() > '5') return true;
  const bool moreThanHalf = fraction.substr(1).find_first_not_of('0') != std::string_view::npos;
  return moreThanHalf || magnitudeIsOdd;
}

// The rounded value; anything beyond `limit` in magnitude is an overflow.
std::int64_t ParseWhole(std::string_view text, std::int64_t lowest, std::int64_t highest) {
  text = TrimBlanks(text, " \t\r\n");
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) throw TypeMismatchError();
  for (std::string_view part : {whole, fraction}) {
    for (char c : part) {
      if (!IsAsciiDigit(c)) throw TypeMismatchError();
    }
  }
  const std::int64_t limit = negative ? -lowest : highest;
  std::int64_t magnitude = 0;
  for (char c : whole) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) throw OverflowError();
  }
  if (RoundsUp(fraction, magnitude % 2 == 1)) ++magnitude;
  if (magnitude > limit) throw OverflowError();
  return negative ? -magnitude : magnitude;
}

}  // namespace

std::int32_t ToInt32(std::string_view text) {
  return static_cast<std::int32_t>(ParseWhole(text, std::numeric_limits<std::int32_t>::min(),
                                              std::numeric_limits<std::int32_t>::max()));
}

std::int16_t ToInt16(std::string_view text) {
  return static_cast<std::int16_t>(ParseWhole(text, std::numeric_limits<std::int16_t>::min(),
                                              std::numeric_limits<std::int16_t>::max()));
}

}  // namespace corvane
