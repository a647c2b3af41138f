#pragma once

#include <string_view>
#include <vector>

namespace corvane {

// One file-name pattern, compiled once and then matched against many names.
//
//   ?      any one character
//   *      any run of characters, the empty run included
//   #      one decimal digit 0-9
//   [...]  one character in the list; [!...] one character not in it
//   other  the character itself
//
// The whole name must fit the whole pattern, case-sensitively.
//
// Characters: names are bytes, not necessarily UTF-8. A valid UTF-8 sequence
// counts as one character (so "?" matches "é"); every byte that is not part
// of one counts as a character of its own and matches only the same byte.
// Pattern and name are read the same way.
//
// Lists: "[", "?", "#" and "*" stand for themselves inside them, "!" only
// negates in the first place, and "a-z" is a range of code points. A "-"
// that cannot form a range (first or last) stands for itself. A reversed
// range such as "z-a" holds no character. "[]" holds nothing and so matches
// no name; "[!]" matches any one character. A "[" without a closing "]"
// stands for itself.
//
// Matching takes time proportional to name length times pattern length at
// worst and allocates nothing.
class FilePattern {
 public:
  explicit FilePattern(std::string_view pattern);

  bool Matches(std::string_view name) const;

 private:
  enum class Kind { Literal, AnyOne, Digit, Star, List };
  struct Range {
    char32_t first;
    char32_t last;
  };
  struct Token {
    Kind kind;
    char32_t code = 0;      // Literal
    std::size_t begin = 0;  // List: its ranges in ranges_[begin, end)
    std::size_t end = 0;
    bool negated = false;  // List
  };

  // Parses a list whose "[" sits just before pos; returns the position after
  // its "]", or npos (adding nothing) when the list is never closed.
  std::size_t ParseList(std::string_view pattern, std::size_t pos);
  bool TokenMatches(const Token& token, char32_t code) const;

  std::vector<Token> tokens_;
  std::vector<Range> ranges_;
};

// A point's patterns, separated by "|". An empty piece stays in the list and
// matches only an empty name.
class FilePatternList {
 public:
  explicit FilePatternList(std::string_view filePattern);

  // True when any pattern fits the name.
  bool Matches(std::string_view name) const;

 private:
  std::vector<FilePattern> patterns_;
};

}  // namespace corvane
