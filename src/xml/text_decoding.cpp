#include "xml/text_decoding.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace corvane {
namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::uint32_t ReadUnit(std::string_view bytes, std::size_t at, std::size_t width, bool bigEndian) {
  std::uint32_t unit = 0;
  for (std::size_t k = 0; k < width; ++k) {
    const std::size_t index = bigEndian ? at + k : at + width - 1 - k;
    unit = (unit << 8) | static_cast<unsigned char>(bytes[index]);
  }
  return unit;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t unit = ReadUnit(bytes, 2 * i, 2, bigEndian);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
      const std::uint32_t low = ReadUnit(bytes, 2 * (i + 1), 2, bigEndian);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, unit);
  }
  return out;
}

std::string DecodeUtf32(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    AppendUtf8(out, ReadUnit(bytes, at, 4, bigEndian));
  }
  return out;
}

std::string DecodeLatin1(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

}  // namespace

std::string DecodeToUtf8(std::string_view bytes, pugi::xml_encoding encoding) {
  constexpr bool kNativeBigEndian = std::endian::native == std::endian::big;
  switch (encoding) {
    case pugi::encoding_utf16: return DecodeUtf16(bytes, kNativeBigEndian);
    case pugi::encoding_utf32: return DecodeUtf32(bytes, kNativeBigEndian);
    case pugi::encoding_utf16_le: return DecodeUtf16(bytes, false);
    case pugi::encoding_utf16_be: return DecodeUtf16(bytes, true);
    case pugi::encoding_utf32_le: return DecodeUtf32(bytes, false);
    case pugi::encoding_utf32_be: return DecodeUtf32(bytes, true);
    case pugi::encoding_latin1: return DecodeLatin1(bytes);
    default: return std::string(bytes);
  }
}

}  // namespace corvane
