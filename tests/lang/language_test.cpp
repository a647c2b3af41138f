#include "lang/language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace corvane {
namespace {

class LanguageTest : public ::testing::Test {
 protected:
  void Load(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
    std::string content;
    for (const auto& line : lines) content += line + eol;
    language.LoadLanguageFile(dir.Write("test.lng", content));
  }
  std::string T(TextId id) const { return language.Translate(id, {}, "def"); }

  test::TempDir dir;
  Language language;
};

// The blanks around catalogue texts are checked with the shipped files.
TEST_F(LanguageTest, LineRules) {
  EXPECT_EQ(language.Translate(3, {}, ""), "Translation Error!");
  Load({"# 3=commented out", "3=a=b==c", "5=two|lines", "7=", "8=first", "8=second", "500=über",
        "-4=negative", "65537=beyond 16 bits", " 10 =blanks around the id", "no equals sign here",
        "[Translation By: Jane Doe]", ""});
  const std::pair<TextId, const char*> cases[] = {
      {3, "a=b==c"}, {5, "two\r\nlines"}, {7, ""},
      {8, "second"}, {500, "über"},       {499, "def"},
      {-4, "def"},   {1, "def"},          {10, "blanks around the id"}};
  for (const auto& [id, text] : cases) EXPECT_EQ(T(id), text) << id;
  EXPECT_EQ(language.Translate(7, {.spaceBefore = true}, "x"), " ");
  EXPECT_EQ(language.Translate(500, {.upperFirst = true}, "x"), "Über");
  EXPECT_EQ(language.TranslatorName(), "Jane Doe");

  // A second file replaces the whole table; bare LFs and a BOM are fine.
  Load({"\uFEFF4=zwei", "6=sechs"}, "\n");
  EXPECT_EQ(T(3) + T(4) + T(6), "defzweisechs");
  EXPECT_EQ(language.TranslatorName(), "");
}

// A FIFO would block start-up. The alarm fails the test should a load block.
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

}  // namespace
}  // namespace corvane
