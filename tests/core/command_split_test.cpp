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

PlaceholderValues Values() { return {"/in/sub/a b.txt", "a b.txt", "/in/", "Point 1", "Daemon"}; }

TEST(FillPlaceholders, FillsEachNameEverywhereCaseSensitivelyAndOnce) {
  EXPECT_EQ(FillPlaceholders("%File%|%FileName%|%Dir%|%PointName%|%DaemonName%|%File%", Values()),
            "/in/sub/a b.txt|a b.txt|/in/|Point 1|Daemon|/in/sub/a b.txt");
  EXPECT_EQ(FillPlaceholders("%file% %Dir %Unknown% 100% %%Dir%%", Values()),
            "%file% %Dir %Unknown% 100% %/in/%");
  PlaceholderValues values = Values();
  values.sFileName = "%Dir%x%PointName%";
  values.sFile = "/in/%DaemonName%";
  EXPECT_EQ(FillPlaceholders("%FileName% %File%", values), "%Dir%x%PointName% /in/%DaemonName%");
}

TEST(BuildCommandLine, SplitsBeforeFillingSoValuesStayOneArgument) {
  PlaceholderValues values = Values();
  values.sFileName = "x\" 'y' ; $(z)\n-w";
  const CommandLine line = BuildCommandLine("sh -c 'do \"$1\"' sh %FileName% \"%Dir%\"", values);
  EXPECT_EQ(line.vArgs, (Words{"sh", "-c", "do \"$1\"", "sh", values.sFileName, "/in/"}));
  EXPECT_EQ(line.sText, "sh -c 'do \"$1\"' sh " + values.sFileName + " \"/in/\"");

  const CommandLine open = BuildCommandLine("mv \"%File% /out/", Values());
  EXPECT_TRUE(open.vArgs.empty());
  EXPECT_EQ(open.sText, "mv \"/in/sub/a b.txt /out/");
}

}  // namespace
}  // namespace corvane
