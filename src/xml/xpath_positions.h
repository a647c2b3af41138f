#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Callers write positional predicates counting from 0 ("Point[0]" is the
// first Point); XPath 1.0 counts from 1. Returns the query with every
// predicate whose whole body is a whole number (blanks around it allowed)
// raised by one, at any step and nesting depth. Everything else, numbers
// inside string literals included, is copied unchanged; a malformed query
// stays malformed so that compiling it still fails.
std::string ToOneBasedPositions(std::string_view query);

}  // namespace corvane
