#pragma once

#include <pugixml.hpp>
#include <string>

namespace corvane {

// The text of a query match as a DOM reads it: an attribute's value; the
// data of a text, CDATA, comment or processing-instruction node; for an
// element or the document, the character data (text and CDATA) of all
// descendants concatenated in document order. Walks the tree without
// recursion, so a document nested 100,000 levels deep is read like any
// other.
std::string NodeText(const pugi::xpath_node& match);

}  // namespace corvane
