#include "core/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() { std::filesystem::remove(SettingsFile()); }

  test::LoggingCore core;
  SettingsSaver saver{core.log};
};

// A folder that is a file stops root too. Each failing save is tried
// anew, but reported only once until a save works again.
TEST_F(SettingsTest, AFileThatCannotBeWrittenIsReportedOncePerRunOfFailures) {
  const std::string file = SettingsFile();
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  for (const LogLevel level : {LogLevel::Warning, LogLevel::Error}) {
    std::filesystem::remove_all(folder);
    std::ofstream(folder.string()) << "";
    saver.Save({level, "english.lng", {}});
    saver.Save({level, "english.lng", {}});
    std::filesystem::remove(folder);
    saver.Save({level, "english.lng", {}});
    EXPECT_NE(test::ReadFile(file).find("Log.Level=" + std::to_string(LevelNumber(level))),
              std::string::npos);
  }
  const std::string report =
      "  Error ] Cannot write the settings file '" + file + "': Not a directory.";
  EXPECT_EQ(core.Lines(), (std::vector<std::string>{report, report}));
}

}  // namespace
}  // namespace corvane
