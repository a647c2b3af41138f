#include "lang/language.h"

#include <gtest/gtest.h>

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
        "-4=negative", "99999=out of range", " 10 =blanks around the id", "no equals sign here",
        "[Translation By: Jane Doe]", ""});
  EXPECT_EQ(T(3), "a=b==c");
  EXPECT_EQ(T(5), "two\r\nlines");
  EXPECT_EQ(T(7), "");
  EXPECT_EQ(language.Translate(7, {.spaceBefore = true}, "x"), " ");
  EXPECT_EQ(T(8), "second");
  EXPECT_EQ(T(500), "far away");
  EXPECT_EQ(T(499), "def");
  EXPECT_EQ(T(-4), "def");
  EXPECT_EQ(T(10), "blanks around the id");
  EXPECT_EQ(language.TranslatorName(), "Jane Doe");

  // A second file replaces the whole table; bare LFs and a BOM are fine.
  Load({"\uFEFF4=zwei", "6=sechs"}, "\n");
  EXPECT_EQ(T(3), "def");
  EXPECT_EQ(T(4), "zwei");
  EXPECT_EQ(T(6), "sechs");
  EXPECT_EQ(language.TranslatorName(), "");
  language.LoadLanguageFile(dir.File("missing.lng"));
  EXPECT_EQ(T(4), "def");
}

TEST_F(LanguageTest, TranslateAddsBlanksAndCapitalOrAnswersTheDefault) {
  EXPECT_EQ(language.Translate(txt::StartBanner), "Corvane v. %1.%2.%3 is starting...");
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
