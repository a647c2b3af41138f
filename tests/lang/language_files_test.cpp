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
  return {std::sregex_token_iterator(text.begin(), text.end(), placeholder),
          std::sregex_token_iterator()};
}

std::set<std::string> Numbered(int count) {
  std::set<std::string> all;
  for (int i = 1; i <= count; ++i) all.insert(QString("%%1").arg(i).toStdString());
  return all;
}

bool IsReport(const CatalogueText& text) {
  return text.id >= txt::ConfigurationReport.id && text.id <= txt::StatisticsPoint.id;
}

class LanguageFileTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    language.LoadLanguageFile(std::string(CORVANE_LANG_DIR) + "/" + GetParam());
  }
  Language language;
};

TEST_P(LanguageFileTest, EveryCatalogueTextIsTranslatedWithItsPlaceholdersOnOneLine) {
  for (const CatalogueText& text : AllCatalogueTexts()) {
    SCOPED_TRACE(text.id);
    const std::string translated = language.Translate(text);
    ASSERT_NE(language.Translate(text.id, {}, ""), "Translation Error!");
    if (IsReport(text)) continue;
    EXPECT_EQ(PlaceholdersOf(translated), PlaceholdersOf(std::string(text.text)));
    // The English file holds the built-in texts; it cannot write "|" (a line
    // break there), so it shows the point's values between broken bars.
    if (std::string(GetParam()) == "english.lng") {
      EXPECT_EQ(translated, text.id == txt::PointAdded.id
                                ? "Added observation point: '%1' [%2 ¦ %3 ¦ %4 sec ]"
                                : std::string(text.text));
    }
    if (std::string(text.text).find("\r\n") == std::string::npos) {
      EXPECT_EQ(translated.find("\r\n"), std::string::npos);
    }
  }
  for (const CatalogueText& tag : {txt::TagDebug, txt::TagInfo, txt::TagWarning, txt::TagError}) {
    EXPECT_EQ(QString::fromStdString(language.Translate(tag)).size(), 8) << tag.id;
  }
}

TEST_P(LanguageFileTest, ReportsShowEveryValueAndHelpListsEveryCommand) {
  EXPECT_EQ(PlaceholdersOf(language.Translate(txt::ConfigurationReport)), Numbered(5));
  EXPECT_EQ(PlaceholdersOf(language.Translate(txt::StatisticsHeader)), Numbered(3));
  EXPECT_EQ(PlaceholdersOf(language.Translate(txt::StatisticsPoint)), Numbered(18));
  const std::string help = language.Translate(txt::HelpReport);
  for (const char* word :
       {"end", "exit",     "quit",    "clear",   "cls",  "pause",       "halt", "go",  "continue",
        "run", "?",        "help",    "h",       "ver",  "reload",      "stat", "cfg", "chk_update",
        "set", "loglevel", "logfile", "xmlfile", "name", "languagefile"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFileTest, ::testing::Values("english.lng", "german.lng"));

}  // namespace
}  // namespace corvane
