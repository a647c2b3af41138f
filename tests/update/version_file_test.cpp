#include "update/version_file.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "update/shell.h"

namespace corvane {
namespace {

struct ParseCase {
  const char* name;
  std::string text;
  VersionFileInfo expected;
};

TEST(VersionFileTest, ReadsEachKeyAtTheStartOfALine) {
  const std::vector<ParseCase> cases = {
      {"CR LF",
       "Current Version=1.2.3\r\nDownload=http://h/d.zip\r\nDescription=d\r\n"
       "Message=m\r\nError=2\r\n",
       {"1.2.3", "http://h/d.zip", "d", "m", 2}},
      {"LF and any order",
       "Error=1\nMessage=m\nDownload=x\nCurrent Version=1.2.3\n",
       {"1.2.3", "x", "", "m", 1}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "Current Version=1.2.3\r\nDownload=x",
       {"1.2.3", "x", "", "", 0}},
      {"values untrimmed",
       "Message=  two  blanks \r\nDownload= x\r\n",
       {"", " x", "", "  two  blanks ", 0}},
      {"later line wins",
       "Current Version=1.0.0\nCurrent Version=2.0.0\nError=2\nError=1\n",
       {"2.0.0", "", "", "", 1}},
      {"keys only at line start, case counts",
       " Current Version=1.2.3\r\ncurrent version=1.2.3\r\nDOWNLOAD=x\r\nX Message=m\r\n",
       {"", "", "", "", 0}},
      {"a BOM only at the file start",
       "Download=x\n\xEF\xBB\xBF"
       "Current Version=1.2.3\n",
       {"", "x", "", "", 0}},
      {"error not a number", "Error=two\r\n", {"", "", "", "", 0}},
      {"error outside 16 bits", "Error=70000\r\n", {"", "", "", "", 0}},
      {"error empty after a valid one", "Error=2\nError=\n", {"", "", "", "", 0}},
      {"error with blanks", "Error= 1 \r\n", {"", "", "", "", 1}},
      {"empty values", "Current Version=\r\nDownload=\r\n", {"", "", "", "", 0}},
      {"nothing", "", {"", "", "", "", 0}},
      {"a lone CR stays in the value", "Message=a\rb\n", {"", "", "", "a\rb", 0}},
  };
  for (const ParseCase& c : cases) {
    const VersionFileInfo info = ParseVersionFile(c.text);
    EXPECT_EQ(info.sVersion, c.expected.sVersion) << c.name;
    EXPECT_EQ(info.sDownload, c.expected.sDownload) << c.name;
    EXPECT_EQ(info.sDescription, c.expected.sDescription) << c.name;
    EXPECT_EQ(info.sMessage, c.expected.sMessage) << c.name;
    EXPECT_EQ(info.iError, c.expected.iError) << c.name;
  }
}

TEST(VersionFileTest, SplitsAtTheFirstTwoDotsAndWantsWholeNumbers) {
  const auto parts = SplitVersion("01.002.30");
  ASSERT_TRUE(parts.has_value());
  EXPECT_EQ(parts->sMajor, "01");
  EXPECT_EQ(parts->sMinor, "002");
  EXPECT_EQ(parts->sRevision, "30");

  for (const char* bad : {"", "1", "1.0", "1.0.", ".0.1", "1..2", "1.0.2.5", "1.a.2", "1.0.-2",
                          "1.0.+2", "1.0.2b", "v1.0.2", "1.0.0x10"}) {
    EXPECT_FALSE(SplitVersion(bad).has_value()) << '"' << bad << '"';
  }
  EXPECT_TRUE(SplitVersion(" 1 .0.3 ").has_value());
}

TEST(VersionFileTest, ComparesAsNumbersPartByPart) {
  const Version own{1, 0, 2};
  const std::vector<std::pair<std::string, bool>> cases = {
      {"1.0.10", true},
      {"1.0.2", false},
      {"0.9.9", false},
      {"2.0.0", true},
      {"1.1.0", true},
      {"1.0.3", true},
      {"1.0.1", false},
      {"0.99.99", false},
      {"001.000.003", true},
      {"1.00.02", false},
      {"99999999999999999999.0.0", true},
      {"0.99999999999999999999.0", false},
      {"1.0.99999999999999999999", true},
      {"1.0.0", false},
  };
  for (const auto& [text, bNewer] : cases) {
    const auto parts = SplitVersion(text);
    ASSERT_TRUE(parts.has_value()) << text;
    EXPECT_EQ(IsNewer(*parts, own), bNewer) << text;
  }
  EXPECT_TRUE(IsNewer(*SplitVersion("10.0.0"), Version{9, 99, 99}));
  EXPECT_FALSE(IsNewer(*SplitVersion("10.0.0"), Version{10, 0, 0}));
}

TEST(ShellTest, VerbNumbersNameTheShellVerbs) {
  const std::vector<std::string> names = {"", "open", "explore", "find", "print", "edit", ""};
  for (int verb = 0; verb < static_cast<int>(names.size()); ++verb) {
    EXPECT_EQ(ShellVerbName(verb), names[static_cast<std::size_t>(verb)]) << verb;
  }
  EXPECT_EQ(ShellVerbName(-1), "");
}

// The tests run with a console-only application object, as console mode
// does: nothing may be launched there, and the answer says so.
TEST(ShellTest, OpensNothingWithoutAGraphicalSessionOrForVerbsLinuxLacks) {
  ASSERT_NE(QCoreApplication::instance(), nullptr);
  EXPECT_FALSE(ShellExec("http://127.0.0.1:9/download/x.zip", 1, "", "", 5));
  EXPECT_FALSE(ShellExec("http://127.0.0.1:9/download/x.zip", 4, "", "", 5));
  EXPECT_FALSE(ShellExec("", 1, "", "", 5));
}

}  // namespace
}  // namespace corvane
