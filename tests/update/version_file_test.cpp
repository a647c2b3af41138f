#include "update/version_file.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <cstdlib>

#include "update/update_url.h"

namespace corvane {
namespace {

TEST(VersionFileTest, SplitsAtTwoDotsIntoWholeNumbersAndComparesPartByPart) {
  for (const char* bad : {"", "1.0.", "1..2", "1.0.2.5", "1.0.-2", "v1.0.2", "1.0.0x10"}) {
    EXPECT_FALSE(SplitVersion(bad).has_value()) << '"' << bad << '"';
  }
  const std::pair<const char*, bool> newer[] = {
      {"1.0.10", true},   {"1.0.2", false},      {"1.1.0", true},
      {"0.99.99", false}, {"001.000.003", true}, {"99999999999999999999.0.0", true},
      {" 1 .0.3 ", true},
  };
  for (const auto& [text, newer] : newer) {
    const auto version = SplitVersion(text);
    ASSERT_TRUE(version.has_value()) << text;
    EXPECT_EQ(IsNewer(*version, Version{1, 0, 2}), newer) << text;
  }
}

// Blanks and a closing slash go; a query stays after the path.
TEST(UpdateUrlTest, AppendsTheVersionFilePathToAnHttpServerAddressOnly) {
  EXPECT_EQ(VersionFileUrl("  HTTP://H/mirror/?channel=beta  "),
            "http://h/mirror/download/corvane_setup.zip.ver?channel=beta");
  EXPECT_EQ(VersionFileUrl("ftp://h/"), "");
}

// Each test runs in its own process with its own settings directory.
TEST(UpdateUrlTest, TheEnvironmentOverridesTheSettingsStore) {
  ::unsetenv("CORVANE_UPDATE_URL");
  EXPECT_EQ(ConfiguredUpdateUrl(), "");
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Talvex", "Corvane")
      .setValue("Update.Url", " http://from-settings/ ");
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-settings/");
  ::setenv("CORVANE_UPDATE_URL", "   ", 1);
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-settings/");
  ::setenv("CORVANE_UPDATE_URL", "http://from-environment:81", 1);
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-environment:81");
  ::unsetenv("CORVANE_UPDATE_URL");
}

}  // namespace
}  // namespace corvane
