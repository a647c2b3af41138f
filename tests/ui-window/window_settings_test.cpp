// Where the window comes back: its stored place and state, the layout of
// its client area, and a place that can be reached on the screens there are.

#include "ui/window_settings.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "core/settings.h"
#include "core/settings_store.h"
#include "listctl/mc_list_box.h"
#include "support/logging_core.h"
#include "support/rect_text.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/safe_geometry.h"
#include "ui/window_layout.h"

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
    SettingsWriter writer;
    SaveWindowSettings(writer, window);
    ASSERT_TRUE(writer.Commit());
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

TEST(WindowLayoutTest, LogViewFillsTheClientAboveTheInputLine) {
  const WindowLayout design = LayOut(7815, 5640, {});
  const std::tuple<int, int, const char*, const char*> cases[] = {
      // client, log, input
      {7815, 5640, "0,0 7815x5355", "5,5350 7805x285"},
      {7815, 285, "0,0 7815x0", "5,-5 7805x285"},
      // A negative size is not applied: the log view keeps its height, the
      // input line its width.
      {7815, 200, "0,0 7815x5355", "5,5350 7805x285"},
      {6, 5640, "0,0 6x5355", "5,5350 7805x285"},
  };
  for (const auto& [width, height, log, input] : cases) {
    const WindowLayout layout = LayOut(width, height, design);
    EXPECT_EQ(RectText(layout.log), log) << width << "x" << height;
    EXPECT_EQ(RectText(layout.input), input) << width << "x" << height;
  }
  EXPECT_EQ(TwipsToPixels(285, 96), 19);
  EXPECT_EQ(PixelsToTwips(521, 96), 7815);
}

TEST(SafeGeometryTest, AnUnreachableOrAbsurdWindowIsCentredAtItsDesignSize) {
  const PixelRect left{0, 0, 1920, 1080};
  const PixelRect right{1920, 0, 1280, 1024};
  const std::string centred = RectText(PixelRect{(1920 - 521) / 2, (1080 - 376) / 2, 521, 376});
  const std::tuple<const char*, PixelRect, std::vector<PixelRect>, bool> cases[] = {
      {"on the primary screen", {100, 100, 600, 400}, {left}, true},
      {"on the second screen", {2500, 300, 600, 400}, {left, right}, true},
      {"mostly off the edge, title bar reachable", {1850, 500, 600, 400}, {left}, true},
      {"only a sliver on screen", {1910, 100, 600, 400}, {left}, false},
      {"on screen but too small to use", {100, 100, 50, 30}, {left}, false},
      {"larger than every screen together", {0, 0, 40000, 30000}, {left, right}, false},
  };
  for (const auto& [what, stored, screens, kept] : cases) {
    EXPECT_EQ(RectText(SafeGeometry(stored, screens, left, {0, 0, 521, 376})),
              kept ? RectText(stored) : centred)
        << what;
  }
}

}  // namespace
}  // namespace corvane
