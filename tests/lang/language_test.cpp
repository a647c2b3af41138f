#include "lang/language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace corvane {
namespace {

class LanguageTest : public ::testing::Test {
 protected:
  // Loads a file whose lines are joined with the given line end.
  void Load(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
    std::string content;
    for (const auto& line : lines) content += line + eol;
    language.LoadLanguageFile(dir.Write("test.lng", content));
  }
  std::string T(TextId id) const { return language.Translate(id, {}, "def"); }

  test::TempDir dir;
  Language language;
};

TEST_F(LanguageTest, LineRules) {
  Load({"# 3=commented out", "3=a=b==c", "5=two|lines", "7=", "8=first", "8=second", "500=far away",
        "-4=negative", "65537=beyond 16 bits", " 10 =blanks around the id", "no equals sign here",
        "[Translation By: Jane Doe]", ""});
  const std::pair<TextId, const char*> cases[] = {
      {3, "a=b==c"}, {5, "two\r\nlines"}, {7, ""},
      {8, "second"}, {500, "far away"},   {499, "def"},
      {-4, "def"},   {1, "def"},          {10, "blanks around the id"}};
  for (const auto& [id, text] : cases) EXPECT_EQ(T(id), text) << id;
  EXPECT_EQ(language.Translate(7, {.spaceBefore = true}, "x"), " ");
  EXPECT_EQ(language.TranslatorName(), "Jane Doe");

  // A second file replaces the whole table; bare LFs and a BOM are fine.
  Load({"\uFEFF4=zwei", "6=sechs"}, "\n");
  EXPECT_EQ(T(3) + T(4) + T(6), "defzweisechs");
  EXPECT_EQ(language.TranslatorName(), "");
}

// A FIFO would block the daemon at start-up: it is refused without being
// opened, as is a missing file, and the table is left empty. The alarm ends
// the test (failed) should a load block after all.
TEST_F(LanguageTest, AFileThatCannotBeReadLeavesNoTextsAndNeverBlocks) {
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  ::alarm(20);
  for (const std::string& path : {dir.File("fifo"), dir.File("missing.lng"), dir.path()}) {
    Load({"4=zwei"});
    language.LoadLanguageFile(path);
    EXPECT_EQ(T(4), "def") << path;
  }
  ::alarm(0);
}

TEST_F(LanguageTest, TranslateAddsBlanksAndCapitalOrAnswersTheDefault) {
  EXPECT_EQ(language.Translate(3, {}, ""), "Translation Error!");
  Load({"9=The daemon is paused.", "2=Language file not found:", "7=über", "40=Changed '%1'"});
  EXPECT_EQ(language.Translate(txt::PausedSuffix), " The daemon is paused.");
  EXPECT_EQ(language.Translate(txt::LanguageFileNotFound), "Language file not found: ");
  EXPECT_EQ(language.Translate(7, {.upperFirst = true}, "x"), "Über");
  EXPECT_EQ(language.Translate(40, {.spaceBefore = true, .spaceAfter = true}, "x"),
            " Changed '%1' ");
}

}  // namespace
}  // namespace corvane
