#include "lang/language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <regex>
#include <set>

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

// A text keeps the blanks before it: the console tests load a tag padded with them.
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

  // A second file replaces the whole table; bare LFs and a BOM are fine.
  Load({"\uFEFF4=zwei", "6=sechs"}, "\n");
  EXPECT_EQ(T(3) + T(4) + T(6), "defzweisechs");
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

// The shipped language files must replace every text of the program and
// keep each text's placeholders, so that no message loses a value.
std::set<std::string> PlaceholdersOf(const std::string& text) {
  static const std::regex placeholder("%[0-9]+");
  return {std::sregex_token_iterator(text.begin(), text.end(), placeholder),
          std::sregex_token_iterator()};
}

class LanguageFileTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LanguageFileTest, EveryTextIsTranslatedKeepingItsPlaceholdersAndItsLines) {
  Language language;
  language.LoadLanguageFile(std::string(CORVANE_LANG_DIR) + "/" + GetParam());
  for (const CatalogueText& text : AllCatalogueTexts()) {
    SCOPED_TRACE(text.id);
    const std::string translated = language.Translate(text), original(text.text);
    ASSERT_NE(language.Translate(text.id, {}, ""), "Translation Error!");
    // The reports' placeholders are checked below.
    if (text.id >= txt::ConfigurationReport.id && text.id <= txt::StatisticsPoint.id) continue;
    // The English file holds the built-in texts; "|" breaks a line there,
    // so it shows the point's values between broken bars.
    if (std::string(GetParam()) == "english.lng" && text.id != txt::PointAdded.id) {
      EXPECT_EQ(translated, original);
    }
    EXPECT_EQ(PlaceholdersOf(translated), PlaceholdersOf(original));
    EXPECT_TRUE(original.find("\r\n") != std::string::npos ||
                translated.find("\r\n") == std::string::npos);
  }
  for (const CatalogueText& tag : {txt::TagDebug, txt::TagInfo, txt::TagWarning, txt::TagError})
    EXPECT_EQ(QString::fromStdString(language.Translate(tag)).size(), 8) << tag.id;
  // The reports show every value.
  for (const auto& [report, values] :
       {std::pair{txt::ConfigurationReport, "%1%2%3%4%5"},
        {txt::StatisticsHeader, "%1%2%3"},
        {txt::StatisticsPoint, "%1%2%3%4%5%6%7%8%9%10%11%12%13%14%15%16%17%18"}})
    EXPECT_EQ(PlaceholdersOf(language.Translate(report)), PlaceholdersOf(values)) << report.id;
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFileTest, ::testing::Values("english.lng", "german.lng"));

}  // namespace
}  // namespace corvane
