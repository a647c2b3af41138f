#include "core/file_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

struct Case {
  std::string pattern;
  std::string name;
  bool matches;
};

void ExpectMatches(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(FilePatternList(c.pattern).Matches(c.name), c.matches)
        << "pattern \"" << c.pattern << "\" name \"" << c.name << "\"";
  }
}

TEST(FilePattern, WildcardsAndWholeNames) {
  ExpectMatches({{"*.txt", "a.txt", true}, {"*.txt", "B.TXT", false},  {"*.txt", "readme", false},
                 {"*.*", "readme", false}, {"*.*", "a.b", true},       {"*.*", ".", true},
                 {"*", "", true},          {"a*", "a", true},          {"a*c", "abbbc", true},
                 {"a*c", "abcb", false},   {"*b*", "abc", true},       {"a?c", "abc", true},
                 {"a?c", "ac", false},     {"?", "", false},           {"abc", "abcd", false},
                 {"abc", "xabc", false},   {"a**c", "ac", true},       {"a.c", "abc", false},
                 {"A?C", "abc", false},    {"x]+(y)", "x]+(y)", true}, {"", "", true},
                 {"", "a", false}});
}

TEST(FilePattern, HashIsOneAsciiDigit) {
  ExpectMatches({
      {"img##.png", "img07.png", true},
      {"img##.png", "img7.png", false},
      {"img##.png", "img7a.png", false},
      {"#", "\xD9\xA3", false},  // ARABIC-INDIC DIGIT THREE
  });
}

TEST(FilePattern, BracketLists) {
  ExpectMatches({{"[abc]", "b", true},
                 {"[abc]", "d", false},
                 {"[!abc]", "d", true},
                 {"[!abc]", "a", false},
                 {"[!abc]", "", false},
                 {"[a-c]x", "bx", true},
                 {"[a-c]x", "dx", false},
                 {"[!0-9]", "5", false},
                 {"[!0-9]", "x", true},
                 {"[A-Z]", "a", false},
                 {"[a-cx-z]", "y", true},
                 {"[a!]", "!", true},
                 {"[a-c-e]", "-", true},
                 {"[a-c-e]", "d", false}});
}

TEST(FilePattern, SpecialCharactersInsideListsAreLiteral) {
  ExpectMatches({{"[[]", "[", true},
                 {"[?]", "?", true},
                 {"[?]", "a", false},
                 {"[#]", "#", true},
                 {"[#]", "1", false},
                 {"[*]", "*", true},
                 {"[*]", "ab", false},
                 {"[!*]", "*", false},
                 {"[!*]", "a", true}});
}

TEST(FilePattern, OddListsHaveDocumentedMeanings) {
  ExpectMatches({// A "-" first or last stands for itself.
                 {"[-a]", "-", true},
                 {"[-a]", "b", false},
                 {"[a-]", "-", true},
                 {"[!-]", "-", false},
                 {"[!-]", "a", true},
                 // A reversed range holds nothing.
                 {"[z-a]", "m", false},
                 {"[z-a]", "z", false},
                 {"[!z-a]", "m", true},
                 // "[]" matches nothing at all, "[!]" any one character.
                 {"a[]", "a", false},
                 {"a[]", "a]", false},
                 {"[!]", "x", true},
                 {"[!]", "", false},
                 // An unclosed "[" stands for itself and the rest keeps its meaning.
                 {"[ab", "[ab", true},
                 {"[ab", "a", false},
                 {"a[", "a[", true},
                 {"[a*", "[abc", true}});
}

TEST(FilePattern, Utf8SequencesAreOneCharacter) {
  ExpectMatches({{"?", "\xC3\xA9", true},  // é
                 {"??", "\xC3\xA9", false},
                 {"caf?", "caf\xC3\xA9", true},
                 {"?", "\xF0\x9F\x98\x80", true},  // an emoji, four bytes
                 {"[\xC3\xA9]", "\xC3\xA9", true},
                 {"[\xC3\xA0-\xC3\xB6]", "\xC3\xA9", true},  // à-ö holds é
                 {"[!\xC3\xA9]", "e", true},
                 {"[!\xC3\xA9]", "\xC3\xA9", false},
                 {"*\xC3\xA9", "caf\xC3\xA9", true}});
}

TEST(FilePattern, InvalidUtf8BytesAreSingleCharacters) {
  ExpectMatches({{"?", "\xE9", true},  // a Latin-1 é
                 {"??", "\xE9", false},
                 {"a?z", "a\xC3z", true},  // cut-off sequence
                 {"??", "\xC3(", true},
                 {"??", "\xC0\xAF", true},       // overlong "/"
                 {"???", "\xED\xA0\x80", true},  // encoded surrogate
                 {"\xE9", "\xE9", true},
                 {"\xE9", "\xC3\xA9", false},  // a raw byte is not the character of its value
                 {"[\x80-\xFF]", "\xE9", true},
                 {"[\x80-\xFF]", "\xC3\xA9", false},
                 {"*x", "\xFF\xFEx", true},
                 {"*", "\xF0\x9F\x98", true}});
}

TEST(FilePattern, VerticalBarsSeparatePatterns) {
  ExpectMatches({{"*.txt|*.TXT", "B.TXT", true},
                 {"*.txt|*.TXT", "a.txt", true},
                 {"*.txt|*.TXT", "readme", false},
                 {"*.txt|", "", true},
                 {"*.txt|", "readme", false},
                 {"a||b", "", true},
                 {"a||b", "b", true},
                 {"[a|b]", "|", false}});
}

// With a backtracking matcher that tries every split this takes longer than
// the age of the universe; the greedy matcher needs a few hundred thousand
// steps.
TEST(FilePattern, ManyStarsDoNotBacktrackExponentially) {
  const FilePatternList pattern("*a*a*a*a*a*a*a*a*a*a*a*a*b");
  const std::string as(20000, 'a');
  EXPECT_FALSE(pattern.Matches(as));
  EXPECT_TRUE(pattern.Matches(as + "b"));
  EXPECT_FALSE(FilePatternList("*?*?*?*?*?*?*?*?x").Matches(as));
}

}  // namespace
}  // namespace corvane
