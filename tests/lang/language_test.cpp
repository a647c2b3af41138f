#include "lang/language.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace corvane {
namespace {

using test::TempDir;

class LanguageTest : public ::testing::Test {
 protected:
  // Loads a file whose lines are joined with the given line end.
  void Load(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
    std::string content;
    for (const auto& line : lines) content += line + eol;
    language.LoadLanguageFile(dir.Write("test.lng", content));
  }
  std::string T(TextId id, const std::string& def = "default") const {
    return language.Translate(id, false, false, false, def);
  }

  TempDir dir;
  Language language;
};

TEST_F(LanguageTest, WithoutAFileEveryTextIsItsDefault) {
  EXPECT_EQ(language.Translate(txt::StartBanner), "Corvane v. %1.%2.%3 is starting...");
  EXPECT_EQ(language.Translate(txt::PausedSuffix), " The daemon is paused.");
  EXPECT_EQ(T(3, ""), "Translation Error!");
}

TEST_F(LanguageTest, EntriesReplaceDefaultsAndFlagsDecorateThem) {
  Load({"9=The daemon is paused.", "2=Language file not found:", "7=Paused", "40=Changed '%1'"});
  EXPECT_EQ(language.Translate(txt::PausedSuffix), " The daemon is paused.");
  EXPECT_EQ(language.Translate(txt::LanguageFileNotFound), "Language file not found: ");
  EXPECT_EQ(language.Translate(7, false, false, true, "x"), "Paused");
  EXPECT_EQ(language.Translate(40, true, true, false, "x"), " Changed '%1' ");
}

TEST_F(LanguageTest, UpperFirstCapitalisesNonAsciiLetters) {
  Load({"1=über"});
  EXPECT_EQ(language.Translate(1, false, false, true, "x"), "Über");
}

TEST_F(LanguageTest, LineFormatRules) {
  Load({
      "# 3=commented out",
      "3=a=b==c",
      "5=two|lines",
      "7=",
      "8=first",
      "8=second",
      "500=far away",
      "-4=negative",
      "x1=not a number",
      "99999=out of range",
      " 10 =blanks around the id",
      "no equals sign here",
      "",
  });
  EXPECT_EQ(T(3), "a=b==c");
  EXPECT_EQ(T(5), "two\r\nlines");
  EXPECT_EQ(T(7), "");
  EXPECT_EQ(T(8), "second");
  EXPECT_EQ(T(500), "far away");
  EXPECT_EQ(T(499), "default");
  EXPECT_EQ(T(59), "default");
  EXPECT_EQ(T(-4), "default");
  EXPECT_EQ(T(10), "blanks around the id");
}

TEST_F(LanguageTest, EmptyEntryStaysEmptyEvenWithBlanksRequested) {
  Load({"7="});
  EXPECT_EQ(language.Translate(7, false, false, false, "The Daemon is paused."), "");
  EXPECT_EQ(language.Translate(7, true, false, false, "x"), " ");
}

TEST_F(LanguageTest, BareLineFeedsAndByteOrderMarkLoad) {
  Load({"\xEF\xBB\xBF"
        "3=first",
        "4=second"},
       "\n");
  EXPECT_EQ(T(3), "first");
  EXPECT_EQ(T(4), "second");
}

TEST_F(LanguageTest, TranslatorHeaderIsNotAnEntry) {
  Load({"[Translation By: Jane Doe]", "3=x"});
  EXPECT_EQ(language.TranslatorName(), "Jane Doe");
  Load({"[Translation By:]"});
  EXPECT_EQ(language.TranslatorName(), "");
}

TEST_F(LanguageTest, ASecondFileReplacesTheWholeTable) {
  Load({"3=one", "4=two"});
  Load({"4=zwei"});
  EXPECT_EQ(T(3), "default");
  EXPECT_EQ(T(4), "zwei");
}

TEST_F(LanguageTest, MissingOrEmptyFileFallsBackToDefaults) {
  Load({"3=one"});
  language.LoadLanguageFile(dir.File("missing.lng"));
  EXPECT_EQ(T(3), "default");
  language.LoadLanguageFile(dir.Write("empty.lng", ""));
  EXPECT_EQ(T(3), "default");
  language.LoadLanguageFile(dir.Write("binary.lng", std::string("\0\xff\xfe=\x01\n", 7)));
  EXPECT_EQ(T(3), "default");
}

}  // namespace
}  // namespace corvane
