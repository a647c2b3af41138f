#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace corvane {

// Converts raw document bytes in the encoding pugixml detected into UTF-8,
// the way pugixml converts them before parsing, so that a parse-error offset
// (which counts in the converted text) can be located in it. A byte order
// mark is kept as U+FEFF, as pugixml keeps it; a trailing partial code unit
// is dropped; an unpaired surrogate becomes U+FFFD.
std::string DecodeToUtf8(std::string_view bytes, pugi::xml_encoding encoding);

}  // namespace corvane
