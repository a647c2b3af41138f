#include "ui/window_settings.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <filesystem>
#include <fstream>

#include "core/settings.h"
#include "core/settings_store.h"
#include "listctl/mc_list_box.h"
#include "support/logging_core.h"
#include "support/rect_text.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

using test::RectText;

QSettings Store() { return OpenSettingsStore(); }

// Loads `window` from a store that holds only `values`; returns "start hidden".
bool LoadOnly(MainWindow& window, std::initializer_list<std::pair<const char*, int>> values) {
  QSettings store = Store();
  store.clear();
  for (const auto& [key, value] : values) store.setValue(key, value);
  store.sync();
  return LoadWindowSettings(SettingsReader(), window);
}

void Save(const MainWindow& window) {
  SettingsWriter writer;
  SaveWindowSettings(writer, window);
  ASSERT_EQ(writer.Commit(), "");
}

std::string Stored(const char* key) { return Store().value(key, "-").toString().toStdString(); }

// A missing place centres the window at the size it has; it starts hidden.
TEST(WindowSettingsTest, AnEmptyStoreCentresTheWindowAndHidesItInTheTray) {
  MainWindow window(0);
  window.SetGeometry({0, 0, 640, 480});
  EXPECT_TRUE(LoadOnly(window, {}));
  const QRect screen = window.screen()->geometry();
  EXPECT_EQ(RectText(window.Geometry()),
            RectText(PixelRect{screen.width() / 2 - 320, screen.height() / 2 - 240, 640, 480}));
}

// Stored in twips, on a monitor since removed.
TEST(WindowSettingsTest, AnUnusablePlaceGivesACentredWindowAtItsDesignSize) {
  MainWindow window(0);
  LoadOnly(window, {{"Window.X", 2000000},
                    {"Window.Y", 15000},
                    {"Window.Width", 9000},
                    {"Window.Height", 6000}});
  window.EnsureReachable();
  const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
  const PixelRect design = window.DesignSize();
  EXPECT_EQ(RectText(window.Geometry()),
            RectText(PixelRect{primary.x() + (primary.width() - design.width) / 2,
                               primary.y() + (primary.height() - design.height) / 2, design.width,
                               design.height}));
}

TEST(WindowSettingsTest, NoBackgroundSwitchesTheGradientOffOnlyForOne) {
  for (const auto& [value, gradient] : {std::pair{1, 0}, {0, 1}, {2, 1}}) {
    MainWindow window(0);
    LoadOnly(window, {{"Window.NoBKG", value}});
    EXPECT_EQ(int(window.logView().BackGradient()), gradient) << value;
  }
}

// The stored state is the window's: 1 minimised, 2 maximised. Only a
// normal window stores its place and visibility: a maximised one keeps its
// last normal place.
TEST(WindowSettingsTest, TheStoredStateIsTheWindowsAndOnlyANormalWindowStoresItsPlace) {
  const std::tuple<int, bool, bool, std::string> cases[] = {
      {0, false, false, "1500"}, {1, true, false, "-"}, {2, false, true, "-"}};
  for (const auto& [state, minimised, maximised, x] : cases) {
    MainWindow window(0);
    LoadOnly(window, {{"Window.State", state}, {"Window.X", 1500}});
    EXPECT_EQ(std::pair(window.isMinimized(), window.isMaximized()),
              std::pair(minimised, maximised));
    Store().clear();
    Save(window);
    EXPECT_EQ(Stored("Window.State"), std::to_string(state));
    EXPECT_EQ(Stored("Window.X"), x) << state;
  }
}

// A file as an earlier run left it reads back to the same text, the
// daemon's keys and those only read included.
TEST(WindowSettingsTest, AStoredFileIsSavedBackAsItWas) {
  const std::string stored =
      "[General]\nApp.Language=\"german, swiss.lng\"\nJournal.Enabled=False\n"
      "Journal.File=/var/tmp/j.sqlite\nJournal.KeepDays=7\nLog.Level=0\nLog.ViewLines=50\n"
      "Window.Height=4800\nWindow.Hidden=True\nWindow.NoBKG=1\nWindow.State=0\n"
      "Window.Width=9000\nWindow.X=1500\nWindow.Y=-15\n";
  std::filesystem::create_directories(std::filesystem::path(SettingsFile()).parent_path());
  std::ofstream(SettingsFile()) << stored;
  MainWindow window(0);
  const SettingsReader reader;
  LoadWindowSettings(reader, window);
  test::LoggingCore core;
  SettingsSaver(core.log).Save(ReadDaemonSettings(reader), [&window](SettingsWriter& writer) {
    SaveWindowSettings(writer, window);
  });
  EXPECT_EQ(test::ReadFile(SettingsFile()), stored);
}

// At 110 dpi a pixel is no whole number of twips: the stored twips keep
// their fraction, so that the window comes back to the same pixel.
TEST(WindowSettingsTest, TwipsKeepTheirFractionSoThatPixelsComeBackAtAnyDpi) {
  EXPECT_EQ(TwipsText(100, 110), "1309.091");
  for (const double dpi : {96.0, 110.0, 144.0, 0.0}) {
    for (const int pixels : {-1, 0, 1, 599, 801, 3840}) {
      EXPECT_EQ(PixelsFromTwips(std::stof(TwipsText(pixels, dpi)), dpi), pixels) << dpi;
    }
  }
}

}  // namespace
}  // namespace corvane
