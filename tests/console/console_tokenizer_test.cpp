#include "console/console_tokenizer.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct TokenCase {
  const char* what;
  std::string line;
  std::vector<std::string> tokens;
};

TEST(ConsoleTokenizer, SplitsAsDocumented) {
  const std::vector<TokenCase> cases = {
      {"one word", "pause", {"pause"}},
      {"empty line", "", {""}},
      {"single blanks separate", "set loglevel 2", {"set", "loglevel", "2"}},
      {"a run of blanks leaves n-1 at the front", "set  loglevel", {"set", " loglevel"}},
      // The third blank follows a kept (not a separating) blank: it separates again.
      {"three blanks alternate", "a   b", {"a", " ", "b"}},
      {"four blanks", "a    b", {"a", " ", " b"}},
      {"leading blank stays on token 0", " pause", {" pause"}},
      {"two leading blanks: the second separates", "  pause", {" ", "pause"}},
      {"trailing blank gives an empty last token", "set ", {"set", ""}},
      {"trailing blank after a value", "set name x ", {"set", "name", "x", ""}},
      {"only blanks", "   ", {" ", " "}},
      {"quotes keep blanks", "set name \"Night Shift\"", {"set", "name", "Night Shift"}},
      {"quotes are dropped inside a word", "ab\"c d\"e", {"abc de"}},
      {"empty quotes give an empty token", "set name \"\"", {"set", "name", ""}},
      {"unbalanced quote runs to the end", "set name \"a b c", {"set", "name", "a b c"}},
      {"a lone quote", "\"", {""}},
      {"blank after a closing quote separates", "\"a\" b", {"a", "b"}},
      {"quote after a separating blank arms the next blank", "a \" b", {"a", " b"}},
      {"tabs are not blanks", "set\tname", {"set\tname"}},
      {"bytes pass unchanged", std::string("a\0\xff b", 5), {std::string("a\0\xff", 3), "b"}},
  };
  for (const TokenCase& c : cases) {
    EXPECT_EQ(TokenizeCommand(c.line), c.tokens) << c.what;
  }
}

TEST(ConsoleTokenizer, LongLineIsOneTokenPerWord) {
  const std::string word(1 << 20, 'x');
  const auto tokens = TokenizeCommand(word + " " + word);
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0], word);
  EXPECT_EQ(tokens[1], word);
}

}  // namespace
}  // namespace corvane
