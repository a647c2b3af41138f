#include "text/file_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace corvane {
namespace {

TEST(FilePattern, MatchesByTheRules) {
  // The pattern, a name, and whether it matches.
  const std::tuple<const char*, std::string, bool> cases[] = {
      // clang-format off
      // Wildcards, case sensitive, over the whole name; "#" is one ASCII digit;
      // regular-expression characters are literal.
      {"*.txt", "B.TXT", false}, {"*.*", "readme", false}, {"?*", "readme", true},
      {"a*c", "abcb", false}, {"a?c", "ac", false}, {"abc", "xabc", false}, {"a.c", "abc", false},
      {"x]+(y)", "x]+(y)", true}, {"img##.png", "img07.png", true},
      {"img##.png", "img7a.png", false}, {"#", "\xD9\xA3", false},  // ARABIC-INDIC DIGIT THREE
      // Bracket lists: negation, ranges, "-" at an end, special characters
      // literal, a reversed range or "[]" matches nothing, "[!]" anything, an
      // unclosed "[" is itself.
      {"[!abc]", "d", true}, {"[!abc]", "", false}, {"[a-cx-z]", "y", true},
      {"[a-c-e]", "-", true}, {"[a-c-e]", "d", false}, {"[?]", "a", false}, {"[*]", "*", true},
      {"[z-a]", "z", false}, {"a[]", "a]", false}, {"[!]", "x", true}, {"[ab", "[ab", true},
      // A UTF-8 sequence is one character, each invalid byte another.
      {"?", "\xC3\xA9", true}, {"??", "\xC3\xA9", false}, {"a?z", "a\xC3z", true},
      {"[\xC3\xA0-\xC3\xB6]", "\xC3\xA9", true}, {"*", "\xF0\x9F\x98", true},
      // "|" separates patterns; an empty one matches the empty name.
      {"*.txt|*.TXT", "B.TXT", true}, {"*.txt|", "", true}, {"[a|b]", "|", false},
      // A matcher that backtracks over every split would take longer than the
      // age of the universe here.
      {"*a*a*a*a*a*a*a*a*a*a*a*a*b", std::string(20000, 'a'), false},
      {"*a*a*a*a*a*a*a*a*a*a*a*a*b", std::string(20000, 'a') + "b", true}};
  // clang-format on
  for (const auto& [pattern, name, matches] : cases)
    EXPECT_EQ(FilePatternList(pattern).Matches(name), matches) << pattern << " " << name;
}

}  // namespace
}  // namespace corvane
