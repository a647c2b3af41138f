#include "update/update_url.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/settings_store.h"

namespace corvane {
namespace {

TEST(UpdateUrlTest, AppendsTheVersionFilePathToAServerAddress) {
  const std::string ver = "/download/corvane_setup.zip.ver";
  const std::pair<std::string, std::string> cases[] = {
      {"http://updates.example.org", "http://updates.example.org" + ver},
      {"  https://h:8443/  ", "https://h:8443" + ver},
      {"HTTP://H/mirror/", "http://h/mirror" + ver},
      {"127.0.0.1:8080", "http://127.0.0.1:8080" + ver},
      {"http://h/other/version.txt", "http://h/other/version.txt"},
      {"http://h/?channel=beta", "http://h" + ver + "?channel=beta"},
      {"ftp://h/", ""},
      {"http://", ""},
      {"http://h h/", ""},
  };
  for (const auto& [configured, expected] : cases) {
    EXPECT_EQ(VersionFileUrl(configured), expected) << '"' << configured << '"';
  }
}

// Each test runs in its own process with its own settings directory.
TEST(UpdateUrlTest, TheEnvironmentOverridesTheSettingsStore) {
  ::unsetenv("CORVANE_UPDATE_URL");
  EXPECT_EQ(ConfiguredUpdateUrl(), "");
  OpenSettingsStore().setValue("Update.Url", " http://from-settings/ ");
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-settings/");
  ::setenv("CORVANE_UPDATE_URL", "   ", 1);
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-settings/");
  ::setenv("CORVANE_UPDATE_URL", "http://from-environment:81", 1);
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-environment:81");
  ::unsetenv("CORVANE_UPDATE_URL");
}

}  // namespace
}  // namespace corvane
