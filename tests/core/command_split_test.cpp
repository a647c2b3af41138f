#include "core/command_split.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Words = std::vector<std::string>;

TEST(SplitCommand, FollowsShellQuotingWithoutExpansion) {
  for (const auto& [text, words] : std::vector<std::pair<std::string, Words>>{
           {"  a \t b\nc  ", {"a", "b", "c"}},
           {"pre'mid dle'post \"c d\" '' \"\"", {"premid dlepost", "c d", "", ""}},
           {"'$HOME `id` \\n \"'", {"$HOME `id` \\n \""}},
           {R"("a\"b" "c\\d" "\$x" "\`" "\q")", {"a\"b", "c\\d", "$x", "`", "\\q"}},
           {"\"line\\\nbreak\" one\\\ntwo", {"linebreak", "onetwo"}},
           {R"(a\ b \'c \"d \\e trailing\)", {"a b", "'c", "\"d", "\\e", "trailing\\"}},
           {"$(rm -rf x) ; | * `y`", {"$(rm", "-rf", "x)", ";", "|", "*", "`y`"}},
           {"   ", {}}}) {
    const auto split = SplitCommand(text);
    ASSERT_TRUE(split.has_value()) << text;
    EXPECT_EQ(*split, words) << text;
  }
  for (const std::string open : {"prog 'open", "prog \"esc\\\"", "a\"b'c"}) {
    EXPECT_FALSE(SplitCommand(open).has_value()) << open;
  }
}

}  // namespace
}  // namespace corvane
