#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <array>

#include "core/daemon_state.h"
#include "core/settings.h"
#include "listctl/mc_list_box.h"
#include "rect_text.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

using test::RectText;

QSettings Store() {
  return QSettings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
}

// Leaves only `keys` ("name", "value", ...) in the store.
void StoreOnly(std::initializer_list<const char*> keys = {}) {
  QSettings store = Store();
  store.clear();
  for (auto key = keys.begin(); key != keys.end(); key += 2) store.setValue(*key, *(key + 1));
}

// Loads the stored settings into a new window as start-up does.
void Restore(MainWindow& window, bool& hidden) {
  DaemonState state;
  LoadSettings(state, hidden, &window);
  window.EnsureReachable();
}

TEST(WindowSettingsTest, PlaceSizeAndHiddenSurviveARestart) {
  StoreOnly();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const PixelRect place{screen.x() + 40, screen.y() + 30, 600, 420};
  {
    MainWindow window(0);
    window.SetGeometry(place);
    window.show();
    SaveSettings(DaemonState{}, &window);
  }
  MainWindow window(0);
  bool hidden = true;
  Restore(window, hidden);
  EXPECT_EQ(RectText(window.Geometry()), RectText(place));
  EXPECT_FALSE(hidden);
  EXPECT_EQ(Store().value("Window.Hidden").toString(), QStringLiteral("False"));
}

// Stored in twips: a place on a monitor since removed, or a size no screen
// could show.
TEST(WindowSettingsTest, AnUnusablePlaceGivesACentredWindowAtItsDesignSize) {
  const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
  for (const auto& [x, y, width, height] : {std::array{"2000000", "15000", "9000", "6000"},
                                            {"-900000", "-900000", "9000", "6000"},
                                            {"1500", "1500", "900", "540"},
                                            {"0", "0", "99000000", "99000000"}}) {
    StoreOnly({"Window.X", x, "Window.Y", y, "Window.Width", width, "Window.Height", height});
    MainWindow window(0);
    bool hidden = false;
    Restore(window, hidden);
    const PixelRect design = window.DesignSize();
    EXPECT_EQ(RectText(window.Geometry()),
              RectText(PixelRect{primary.x() + (primary.width() - design.width) / 2,
                                 primary.y() + (primary.height() - design.height) / 2, design.width,
                                 design.height}))
        << x << "," << y << " " << width << "x" << height;
  }
}

TEST(WindowSettingsTest, NoBackgroundSwitchesTheGradientOffOnlyForOne) {
  for (const auto& [value, gradient] : {std::pair{"1", 0}, {"0", 1}, {"2", 1}}) {
    StoreOnly({"Window.NoBKG", value});
    MainWindow window(0);
    bool hidden = false;
    Restore(window, hidden);
    EXPECT_EQ(window.logView().BackGradient(), gradient) << value;
  }
}

}  // namespace
}  // namespace corvane
