#include "core/visible_text.h"

#include <cstddef>

#include "text/text_bytes.h"

namespace corvane {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendEscaped(std::string& out, const char* prefix, unsigned char byte) {
  out += prefix;
  out += kHex[byte >> 4];
  out += kHex[byte & 0xf];
}

// The length of the valid UTF-8 sequence at text[pos], or 0. Overlong forms,
// surrogates and code points past U+10FFFF are not valid.
std::size_t Utf8Length(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  const auto second = static_cast<unsigned char>(text[pos + 1]);
  if (second < low || second > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsUtf8Continuation(text[pos + i])) return 0;
  }
  return length;
}

// The code point of the valid sequence of `length` bytes at text[pos].
char32_t CodePoint(std::string_view text, std::size_t pos, std::size_t length) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  char32_t point = length == 2 ? lead & 0x1f : length == 3 ? lead & 0x0f : lead & 0x07;
  for (std::size_t i = 1; i < length; ++i) {
    point = (point << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3f);
  }
  return point;
}

// Characters that show nothing themselves but change what the text around
// them looks like: the C1 controls, the bidirectional controls (which can
// turn "x.exe" into what reads as "exe.x", or mirror a PID), zero-width and
// other invisible format characters (which make two names look alike), and
// the line and paragraph separators (which break a line where a log line
// must not break).
bool IsDisguising(char32_t point) {
  return (point >= 0x80 && point <= 0x9f) || point == 0x061c ||
         (point >= 0x200b && point <= 0x200f) || (point >= 0x2028 && point <= 0x202e) ||
         (point >= 0x2060 && point <= 0x206f) || point == 0xfeff;
}

void AppendCodePoint(std::string& out, char32_t point) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(point >> shift) & 0xf];
}

}  // namespace

std::string VisibleText(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t pos = 0; pos < value.size();) {
    const auto byte = static_cast<unsigned char>(value[pos]);
    if (byte < 0x80) {
      if (byte == '\\') {
        out += "\\\\";
      } else if (byte == '\r') {
        out += "\\r";
      } else if (byte == '\n') {
        out += "\\n";
      } else if ((byte < 0x20 && byte != '\t') || byte == 0x7f) {
        AppendEscaped(out, "\\x", byte);
      } else {
        out += static_cast<char>(byte);
      }
      ++pos;
      continue;
    }
    const std::size_t length = Utf8Length(value, pos);
    if (length == 0) {
      AppendEscaped(out, "\\x", byte);
      ++pos;
    } else {
      const char32_t point = CodePoint(value, pos, length);
      if (IsDisguising(point)) {
        AppendCodePoint(out, point);
      } else {
        out.append(value.substr(pos, length));
      }
      pos += length;
    }
  }
  return out;
}

}  // namespace corvane
