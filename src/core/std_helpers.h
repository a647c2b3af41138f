#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Adds 1 to n and returns the new value. Counting past the 32-bit limit is a
// fault of the caller and throws std::overflow_error.
std::int32_t Inc(std::int32_t& n);

// True when a file or directory of that name exists.
bool PathExists(const std::string& path);

// The text with A-Z turned into a-z. Every other byte stays, so names that
// are not valid UTF-8 are safe to pass.
std::string AsciiLower(std::string_view text);

// The text without the given blanks at either end.
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = " \t");

}  // namespace corvane
