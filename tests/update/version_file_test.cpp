#include "update/version_file.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "update/shell.h"

namespace corvane {
namespace {

TEST(VersionFileTest, ReadsEachKeyAtTheStartOfALine) {
  const std::pair<std::string, std::string> cases[] = {
      {"Current Version=1.2.3\r\nDownload=h\r\nDescription=d\r\nMessage=m\r\nError=2\r\n",
       "1.2.3|h|d|m|2"},
      {" Current Version=1.2.3\r\ncurrent version=1\r\nX Message=m\r\nDownload=x\n\xEF\xBB\xBF"
       "Current Version=1.2.3\n",
       "|x|||0"},  // keys only at a line start, case counts, BOM only at the start
      {"Error=2\nError=\n", "||||0"},
  };
  for (const auto& [text, expected] : cases) {
    const VersionFileInfo i = ParseVersionFile(text);
    EXPECT_EQ(i.sVersion + "|" + i.sDownload + "|" + i.sDescription + "|" + i.sMessage + "|" +
                  std::to_string(i.iError),
              expected)
        << text;
  }
}

TEST(VersionFileTest, SplitsAtTwoDotsIntoWholeNumbersAndComparesPartByPart) {
  const auto parts = SplitVersion("01.002.30");
  ASSERT_TRUE(parts.has_value());
  EXPECT_EQ(parts->sMajor + "|" + parts->sMinor + "|" + parts->sRevision, "01|002|30");
  for (const char* bad : {"", "1.0.", "1..2", "1.0.2.5", "1.0.-2", "v1.0.2", "1.0.0x10"}) {
    EXPECT_FALSE(SplitVersion(bad).has_value()) << '"' << bad << '"';
  }
  const std::pair<const char*, bool> newer[] = {
      {"1.0.10", true},   {"1.0.2", false},      {"1.1.0", true},
      {"0.99.99", false}, {"001.000.003", true}, {"99999999999999999999.0.0", true},
      {" 1 .0.3 ", true},
  };
  for (const auto& [text, bNewer] : newer) {
    const auto version = SplitVersion(text);
    ASSERT_TRUE(version.has_value()) << text;
    EXPECT_EQ(IsNewer(*version, Version{1, 0, 2}), bNewer) << text;
  }
}

// The tests run with a console-only application object, as console mode
// does: nothing may be launched there, and the answer says so.
TEST(ShellTest, OpensNothingWithoutAGraphicalSession) {
  ASSERT_NE(QCoreApplication::instance(), nullptr);
  EXPECT_FALSE(ShellExec("http://127.0.0.1:9/download/x.zip", ShellVerb::Open));
  EXPECT_FALSE(ShellExec("", ShellVerb::Open));
}

}  // namespace
}  // namespace corvane
