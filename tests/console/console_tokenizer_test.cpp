#include "console/console_tokenizer.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ConsoleTokenizer, SplitsAsDocumented) {
  const std::string big(1 << 20, 'x');
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"", {""}},
      {"set loglevel 2", {"set", "loglevel", "2"}},
      // In a run of blanks every other blank separates; the rest is kept.
      {"set  loglevel", {"set", " loglevel"}},
      {"a   b", {"a", " ", "b"}},
      {"a    b", {"a", " ", " b"}},
      {" pause", {" pause"}},
      {"  pause", {" ", "pause"}},
      {"set name x ", {"set", "name", "x", ""}},
      {"   ", {" ", " "}},
      {"set name \"Night Shift\"", {"set", "name", "Night Shift"}},
      {"ab\"c d\"e", {"abc de"}},
      {"set name \"\"", {"set", "name", ""}},
      {"set name \"a b c", {"set", "name", "a b c"}},
      {"\"a\" b", {"a", "b"}},
      {"a \" b", {"a", " b"}},
      {"set\tname", {"set\tname"}},
      {std::string("a\0\xff b", 5), {std::string("a\0\xff", 3), "b"}},
      {big + " " + big, {big, big}},
  };
  for (const auto& [line, tokens] : cases) {
    EXPECT_EQ(TokenizeCommand(line), tokens) << line.substr(0, 40);
  }
}

}  // namespace
}  // namespace corvane
