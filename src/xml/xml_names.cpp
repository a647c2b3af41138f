#include "xml/xml_names.h"

#include "text/text_bytes.h"

namespace corvane {
namespace {

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || IsAsciiDigit(static_cast<char>(c)) || c == '-' || c == '.';
}

}  // namespace

bool IsXmlName(std::string_view name) {
  if (name.empty() || !IsNameStart(static_cast<unsigned char>(name.front()))) return false;
  for (char c : name.substr(1)) {
    if (!IsNameChar(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace corvane
