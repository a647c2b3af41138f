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

// The front end's keys are written with the daemon's; a value with a comma
// comes back whole.
TEST_F(SettingsTest, SavedSettingsReadBackAsTheyWere) {
  saver.Save({LogLevel::Debug, "german, swiss.lng"},
             [](SettingsWriter& writer) { writer.Write("Window.State", "2"); });
  const SettingsReader reader;
  const DaemonSettings read = ReadDaemonSettings(reader);
  EXPECT_EQ(read.logLevel, LogLevel::Debug);
  EXPECT_EQ(read.languageFile, "german, swiss.lng");
  EXPECT_EQ(reader.Int16("Window.State"), 2);
  EXPECT_TRUE(core.Lines().empty());
}

// Defaults written back over a file that could not be read would throw
// away what the user had in it: such a file stops the load, named.
TEST_F(SettingsTest, ASettingsFileThatCannotBeReadStopsTheLoad) {
  const std::string file = SettingsFile();
  std::filesystem::create_directories(file);  // root reads a file of mode 000 all the same
  try {
    const SettingsReader reader;
    ADD_FAILURE() << "read as empty";
  } catch (const SettingsError& error) {
    EXPECT_NE(std::string(error.what()).find(file + " cannot be read"), std::string::npos)
        << error.what();
  }
  std::filesystem::remove(file);
}

// A folder that is a file stops root too. Each failing save is tried
// anew, but reported only once until a save works again.
TEST_F(SettingsTest, AFileThatCannotBeWrittenIsReportedOncePerRunOfFailures) {
  const std::string file = SettingsFile();
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  for (const LogLevel level : {LogLevel::Warning, LogLevel::Error}) {
    std::filesystem::remove_all(folder);
    std::ofstream(folder.string()) << "";
    saver.Save({level});
    saver.Save({level});
    std::filesystem::remove(folder);
    saver.Save({level});
    EXPECT_NE(test::ReadFile(file).find("Log.Level=" + std::to_string(LevelNumber(level))),
              std::string::npos);
  }
  const std::string report =
      "  Error ] Cannot write the settings file '" + file + "': Not a directory.";
  EXPECT_EQ(core.Lines(), (std::vector<std::string>{report, report}));
}

}  // namespace
}  // namespace corvane
