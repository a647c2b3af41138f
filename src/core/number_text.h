#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// Converts a text to a whole number the way the observation file and the
// console expect: blanks around it, an optional sign, decimal digits and an
// optional decimal fraction, which is rounded to the nearest whole number
// with halves going to the even neighbour ("2.5" is 2, "3.5" is 4).
// Anything else throws the type-mismatch error; a number outside the
// destination's range throws the overflow error.
std::int32_t ToInt32(std::string_view text);
std::int16_t ToInt16(std::string_view text);

}  // namespace corvane
