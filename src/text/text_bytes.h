#pragma once

#include <string_view>

namespace corvane {

// Byte tests shared by the parsers of every layer. They look at single
// bytes, never at the locale: "isdigit" would accept other digits under
// some locales, and names and numbers here are ASCII by definition.

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The second and later bytes of a multi-byte UTF-8 character.
constexpr bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The text without a leading UTF-8 byte order mark, which editors put in
// front of files and readers must not take for content.
constexpr std::string_view WithoutByteOrderMark(std::string_view text) {
  return text.starts_with(kUtf8ByteOrderMark) ? text.substr(kUtf8ByteOrderMark.size()) : text;
}

}  // namespace corvane
