#pragma once

#include <pugixml.hpp>

namespace corvane {

// How every document is parsed, by loading and by Reparse alike. Keeps each
// node kind a DOM keeps (declaration, doctype, comments, processing
// instructions) so that saving writes the document back whole; whitespace-
// only text between elements is dropped, as a DOM does by default.
inline constexpr unsigned kParseOptions = pugi::parse_full;

}  // namespace corvane
