#include "core/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/daemon_state.h"
#include "core/hosts/window_settings_host.h"
#include "core/settings_store.h"
#include "support/logging_core.h"
#include "support/rect_text.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class FakeWindow final : public WindowSettingsHost {
 public:
  PixelRect Geometry() const override { return geometry; }
  void SetGeometry(const PixelRect& g) override { geometry = g; }
  int ScreenWidth() const override { return 1920; }
  int ScreenHeight() const override { return 1080; }
  double LogicalDpi() const override { return dpi; }
  std::int16_t State() const override { return state; }
  void SetState(std::int16_t s) override { state = s; }
  bool IsVisible() const override { return visible; }
  void SetNoBackground(bool) override {}

  PixelRect geometry{10, 20, 640, 480};
  double dpi = 96;
  std::int16_t state = 0;
  bool visible = false;
};

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() { Store().clear(); }
  static QSettings Store() { return OpenSettingsStore(); }
  static std::string Stored(const char* key) {
    return Store().value(key, "<missing>").toString().toStdString();
  }

  DaemonState state;
  bool hidden = false;
  FakeWindow window;
};

TEST_F(SettingsTest, AnEmptyStoreCentresTheWindowAndHidesItInTheTray) {
  state.logLevel = LogLevel::Error;
  LoadSettings(state, hidden, &window);
  EXPECT_EQ(test::RectText(window.geometry), "640,300 640x480");
  EXPECT_TRUE(hidden);
  EXPECT_EQ(state.logLevel, LogLevel::Info);
  EXPECT_EQ(state.languageFile, "english.lng");
}

// At 110 dpi a pixel is no whole number of twips: the stored twips keep
// their fraction, so that the window comes back to the same pixel.
TEST_F(SettingsTest, SavedSettingsReadBackAsTheyWereAtAnyDpi) {
  window.dpi = 110;
  window.geometry = {100, 45, 801, 599};
  window.visible = true;
  state.logLevel = LogLevel::Debug;
  state.languageFile = "german, swiss.lng";
  SaveSettings(state, &window);
  EXPECT_EQ(Stored("Window.X"), "1309.091");  // in single precision

  FakeWindow restored;
  restored.dpi = 110;
  DaemonState read;
  hidden = true;
  LoadSettings(read, hidden, &restored);
  EXPECT_EQ(test::RectText(restored.geometry), "100,45 801x599");
  EXPECT_FALSE(hidden);
  EXPECT_EQ(read.logLevel, LogLevel::Debug);
  EXPECT_EQ(read.languageFile, "german, swiss.lng");
}

TEST_F(SettingsTest, AMaximisedWindowKeepsItsLastNormalPlace) {
  window.geometry = {100, 100, 640, 480};
  SaveSettings(state, &window);
  window.state = 2;
  window.geometry = {0, 0, 1920, 1080};
  window.visible = true;
  SaveSettings(state, &window);
  EXPECT_EQ(Stored("Window.State"), "2");
  EXPECT_EQ(Stored("Window.X"), "1500");
  EXPECT_EQ(Stored("Window.Width"), "9600");
  EXPECT_EQ(Stored("Window.Hidden"), "True");
}

// Defaults written back over a file that could not be read would throw
// away what the user had in it: such a file stops the load, named.
TEST_F(SettingsTest, ASettingsFileThatCannotBeReadStopsTheLoad) {
  const std::string file = SettingsFile();
  std::filesystem::remove(file);
  std::filesystem::create_directories(file);  // root reads a file of mode 000 all the same
  state.logLevel = LogLevel::Error;
  try {
    LoadSettings(state, hidden, &window);
    ADD_FAILURE() << "read as empty";
  } catch (const SettingsError& error) {
    EXPECT_NE(std::string(error.what()).find(file + " cannot be read"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(state.logLevel, LogLevel::Error);
  std::filesystem::remove(file);
}

// A folder that is a file stops root too. Each failing save is tried
// anew, but reported only once until a save works again.
TEST_F(SettingsTest, AFileThatCannotBeWrittenIsReportedOncePerRunOfFailures) {
  test::LoggingCore core;
  SettingsSaver saver(core.log);
  const std::string file = SettingsFile();
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  for (const LogLevel level : {LogLevel::Warning, LogLevel::Error}) {
    state.logLevel = level;
    std::filesystem::remove_all(folder);
    std::ofstream(folder.string()) << "";
    saver.Save(state, nullptr);
    saver.Save(state, nullptr);
    std::filesystem::remove(folder);
    saver.Save(state, nullptr);
    EXPECT_NE(test::ReadFile(file).find("Log.Level=" + std::to_string(LevelNumber(level))),
              std::string::npos);
  }
  const std::string report =
      "  Error ] Cannot write the settings file '" + file + "': Not a directory.";
  EXPECT_EQ(core.Lines(), (std::vector<std::string>{report, report}));
}

}  // namespace
}  // namespace corvane
