// The shipped language files must replace every text of the program and
// keep each text's placeholders, so that no message loses a value.

#include <gtest/gtest.h>

#include <QString>
#include <regex>
#include <set>

#include "lang/language.h"

namespace corvane {
namespace {

std::set<std::string> PlaceholdersOf(const std::string& text) {
  static const std::regex placeholder("%[0-9]+");
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder);
       it != std::sregex_iterator(); ++it) {
    found.insert(it->str());
  }
  return found;
}

std::set<std::string> Numbered(int count) {
  std::set<std::string> all;
  for (int i = 1; i <= count; ++i) all.insert("%" + std::to_string(i));
  return all;
}

class LanguageFileTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    language.LoadLanguageFile(std::string(CORVANE_LANG_DIR) + "/" + GetParam());
  }
  bool Has(TextId id) const {
    return language.Translate(id, false, false, false, "") != "Translation Error!";
  }
  Language language;
};

TEST_P(LanguageFileTest, EveryCatalogueTextIsTranslatedWithItsPlaceholders) {
  for (const CatalogueText& text : AllCatalogueTexts()) {
    SCOPED_TRACE(text.id);
    ASSERT_TRUE(Has(text.id));
    const bool isReport =
        text.id >= txt::ConfigurationReport.id && text.id <= txt::StatisticsPoint.id;
    if (!isReport) {
      EXPECT_EQ(PlaceholdersOf(language.Translate(text)), PlaceholdersOf(std::string(text.text)));
    }
  }
}

TEST_P(LanguageFileTest, LevelTagsKeepTheirWidth) {
  for (const CatalogueText& tag : {txt::TagDebug, txt::TagInfo, txt::TagWarning, txt::TagError}) {
    EXPECT_EQ(QString::fromStdString(language.Translate(tag)).size(), 8) << tag.id;
  }
}

TEST_P(LanguageFileTest, ReportLayoutsShowEveryValue) {
  EXPECT_EQ(PlaceholdersOf(language.Translate(txt::ConfigurationReport)), Numbered(5));
  EXPECT_EQ(PlaceholdersOf(language.Translate(txt::StatisticsHeader)), Numbered(3));
  EXPECT_EQ(PlaceholdersOf(language.Translate(txt::StatisticsPoint)), Numbered(17));
}

TEST_P(LanguageFileTest, HelpListsEveryConsoleCommand) {
  const std::string help = language.Translate(txt::HelpReport);
  for (const char* word :
       {"end", "exit",     "quit",    "clear",   "cls",  "pause",       "halt", "go",  "continue",
        "run", "?",        "help",    "h",       "ver",  "reload",      "stat", "cfg", "chk_update",
        "set", "loglevel", "logfile", "xmlfile", "name", "languagefile"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFileTest, ::testing::Values("english.lng", "german.lng"));

TEST(EnglishFile, MatchesTheBuiltInTexts) {
  Language english;
  english.LoadLanguageFile(std::string(CORVANE_LANG_DIR) + "/english.lng");
  for (const CatalogueText& text : AllCatalogueTexts()) {
    if (text.id >= txt::ConfigurationReport.id && text.id <= txt::StatisticsPoint.id) continue;
    // A language file cannot write "|" (it means a line break), so the file
    // shows the point's values between broken bars instead.
    std::string expected(text.text);
    if (text.id == txt::PointAdded.id)
      expected = "Added observation point: '%1' [%2 ¦ %3 ¦ %4 sec ]";
    EXPECT_EQ(english.Translate(text), expected) << text.id;
  }
}

TEST(LanguageFiles, NoTextBreaksIntoLinesUnlessItIsMeantTo) {
  for (const char* file : {"english.lng", "german.lng"}) {
    Language language;
    language.LoadLanguageFile(std::string(CORVANE_LANG_DIR) + "/" + file);
    for (const CatalogueText& text : AllCatalogueTexts()) {
      const bool multiLine =
          std::string(text.text).find("\r\n") != std::string::npos ||
          (text.id >= txt::ConfigurationReport.id && text.id <= txt::StatisticsPoint.id);
      if (multiLine) continue;
      EXPECT_EQ(language.Translate(text).find("\r\n"), std::string::npos) << file << " " << text.id;
    }
  }
}

}  // namespace
}  // namespace corvane
