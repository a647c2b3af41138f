#include "core/file_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(FilePattern, MatchesByTheRules) {
  const struct {
    const char* pattern;
    std::string name;
    bool matches;
  } cases[] = {// clang-format off
      // Wildcards, case sensitive, over the whole name; "#" is one ASCII digit.
      {"*.txt", "a.txt", true}, {"*.txt", "B.TXT", false}, {"*.*", "readme", false},
      {"a*c", "abbbc", true}, {"a*c", "abcb", false}, {"a?c", "abc", true}, {"a?c", "ac", false},
      {"abc", "xabc", false}, {"a.c", "abc", false}, {"x]+(y)", "x]+(y)", true}, {"", "a", false},
      {"img##.png", "img07.png", true}, {"img##.png", "img7a.png", false},
      {"#", "\xD9\xA3", false},  // ARABIC-INDIC DIGIT THREE
      // Bracket lists, ranges, negation; special characters inside are literal.
      {"[abc]", "d", false}, {"[!abc]", "d", true}, {"[!abc]", "", false}, {"[a-c]x", "bx", true},
      {"[!0-9]", "5", false}, {"[A-Z]", "a", false}, {"[a-cx-z]", "y", true}, {"[a!]", "!", true},
      {"[a-c-e]", "-", true}, {"[a-c-e]", "d", false}, {"[?]", "a", false}, {"[#]", "1", false},
      {"[*]", "*", true}, {"[!*]", "*", false}, {"[[]", "[", true},
      // "-" at an end is itself, a reversed range holds nothing, "[]" matches
      // nothing, "[!]" any one character, an unclosed "[" is itself.
      {"[-a]", "-", true}, {"[!-]", "-", false}, {"[z-a]", "z", false}, {"[!z-a]", "m", true},
      {"a[]", "a]", false}, {"[!]", "x", true}, {"[ab", "[ab", true}, {"[a*", "[abc", true},
      // A UTF-8 sequence is one character, each invalid byte another.
      {"?", "\xC3\xA9", true}, {"??", "\xC3\xA9", false}, {"?", "\xF0\x9F\x98\x80", true},
      {"[\xC3\xA0-\xC3\xB6]", "\xC3\xA9", true}, {"[!\xC3\xA9]", "\xC3\xA9", false},
      {"a?z", "a\xC3z", true}, {"??", "\xC0\xAF", true}, {"\xE9", "\xC3\xA9", false},
      {"[\x80-\xFF]", "\xC3\xA9", false}, {"*", "\xF0\x9F\x98", true},
      // "|" separates patterns; an empty one matches the empty name.
      {"*.txt|*.TXT", "B.TXT", true}, {"*.txt|*.TXT", "readme", false}, {"*.txt|", "", true},
      {"a||b", "b", true}, {"[a|b]", "|", false}};
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(FilePatternList(c.pattern).Matches(c.name), c.matches) << c.pattern << " " << c.name;
  }
}

// A backtracking matcher that tries every split would take longer than the
// age of the universe here.
TEST(FilePattern, ManyStarsDoNotBacktrackExponentially) {
  const std::string as(20000, 'a');
  EXPECT_FALSE(FilePatternList("*a*a*a*a*a*a*a*a*a*a*a*a*b").Matches(as));
  EXPECT_TRUE(FilePatternList("*a*a*a*a*a*a*a*a*a*a*a*a*b").Matches(as + "b"));
  EXPECT_FALSE(FilePatternList("*?*?*?*?*?*?*?*?x").Matches(as));
}

}  // namespace
}  // namespace corvane
