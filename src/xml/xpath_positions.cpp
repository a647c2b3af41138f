#include "xml/xpath_positions.h"

#include <cstddef>
#include <vector>

#include "text/text_bytes.h"

namespace corvane {
namespace {

bool IsXPathBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Adds one to the decimal digits text[first, last) in place. Works on the
// text rather than on an integer so that no number is too long for it.
void IncrementDigits(std::string& text, std::size_t first, std::size_t last) {
  for (std::size_t i = last; i > first; --i) {
    char& digit = text[i - 1];
    if (digit != '9') {
      ++digit;
      return;
    }
    digit = '0';
  }
  text.insert(first, 1, '1');
}

// text[open + 1, close) is the body of one predicate.
void RaiseIfWholeNumber(std::string& text, std::size_t open, std::size_t close) {
  std::size_t first = open + 1;
  std::size_t last = close;
  while (first < last && IsXPathBlank(text[first])) ++first;
  while (last > first && IsXPathBlank(text[last - 1])) --last;
  if (first == last) return;
  for (std::size_t i = first; i < last; ++i) {
    if (!IsAsciiDigit(text[i])) return;
  }
  IncrementDigits(text, first, last);
}

}  // namespace

std::string ToOneBasedPositions(std::string_view query) {
  std::string out;
  out.reserve(query.size() + 4);
  // Output positions of the '[' not yet closed; a stack rather than
  // recursion, so that absurdly nested queries cannot exhaust the stack.
  std::vector<std::size_t> open;
  std::size_t i = 0;
  while (i < query.size()) {
    const char c = query[i];
    if (c == '"' || c == '\'') {
      // XPath literals have no escapes: the literal ends at the next quote
      // of the same kind (or, if unterminated, at the end of the query).
      std::size_t end = query.find(c, i + 1);
      end = end == std::string_view::npos ? query.size() : end + 1;
      out.append(query.substr(i, end - i));
      i = end;
      continue;
    }
    out.push_back(c);
    if (c == '[') {
      open.push_back(out.size() - 1);
    } else if (c == ']' && !open.empty()) {
      const std::size_t start = open.back();
      open.pop_back();
      // Raising may lengthen the body by one digit; only positions before
      // `start` are still on the stack, so none of them moves.
      RaiseIfWholeNumber(out, start, out.size() - 1);
    }
    ++i;
  }
  return out;
}

}  // namespace corvane
