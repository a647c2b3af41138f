#include "core/command_split.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Words = std::vector<std::string>;

struct SplitCase {
  std::string text;
  Words words;
};

TEST(SplitCommand, FollowsShellQuotingWithoutExpansion) {
  const std::vector<SplitCase> cases = {
      {"gzip -9 file", {"gzip", "-9", "file"}},
      {"  a \t b\nc  ", {"a", "b", "c"}},
      {"'a b' \"c d\"", {"a b", "c d"}},
      {"pre'mid dle'post", {"premid dlepost"}},
      {"'' \"\" x", {"", "", "x"}},
      {"'$HOME `id` \\n \"'", {"$HOME `id` \\n \""}},
      {R"("a\"b" "c\\d" "\$x" "\`" "\q")", {"a\"b", "c\\d", "$x", "`", "\\q"}},
      {"\"line\\\nbreak\"", {"linebreak"}},
      {R"(a\ b \'c \"d \\e)", {"a b", "'c", "\"d", "\\e"}},
      {"one\\\ntwo", {"onetwo"}},
      {"trailing\\", {"trailing\\"}},
      {"$(rm -rf x) ; | * `y`", {"$(rm", "-rf", "x)", ";", "|", "*", "`y`"}},
      {"", {}},
      {"   ", {}},
  };
  for (const SplitCase& c : cases) {
    const auto words = SplitCommand(c.text);
    ASSERT_TRUE(words.has_value()) << c.text;
    EXPECT_EQ(*words, c.words) << c.text;
  }
}

TEST(SplitCommand, AnOpenQuoteIsNoCommand) {
  for (const std::string text : {"prog 'open", "prog \"open", "prog \"esc\\\"", "'", "a\"b'c"}) {
    EXPECT_FALSE(SplitCommand(text).has_value()) << text;
  }
}

PlaceholderValues Values() { return {"/in/sub/a b.txt", "a b.txt", "/in/", "Point 1", "Daemon"}; }

TEST(FillPlaceholders, FillsEachNameEverywhereCaseSensitively) {
  EXPECT_EQ(FillPlaceholders("%File%|%FileName%|%Dir%|%PointName%|%DaemonName%", Values()),
            "/in/sub/a b.txt|a b.txt|/in/|Point 1|Daemon");
  EXPECT_EQ(FillPlaceholders("%File% %File%", Values()), "/in/sub/a b.txt /in/sub/a b.txt");
  EXPECT_EQ(FillPlaceholders("%file% %FILE% %Dir %Unknown% 100% %", Values()),
            "%file% %FILE% %Dir %Unknown% 100% %");
  EXPECT_EQ(FillPlaceholders("%%Dir%%", Values()), "%/in/%");
}

TEST(FillPlaceholders, NeverSearchesAnInsertedValueAgain) {
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
}

TEST(BuildCommandLine, AnUnsplittableCommandHasNoArgumentsButIsStillShown) {
  const CommandLine line = BuildCommandLine("mv \"%File% /out/", Values());
  EXPECT_TRUE(line.vArgs.empty());
  EXPECT_EQ(line.sText, "mv \"/in/sub/a b.txt /out/");
}

}  // namespace
}  // namespace corvane
