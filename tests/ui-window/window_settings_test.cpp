#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include "core/daemon_state.h"
#include "core/settings.h"
#include "listctl/mc_list_box.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

QSettings Store() {
  return QSettings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
}

// Loads the stored settings into a new window as start-up does.
void Restore(MainWindow& window, bool& hidden) {
  DaemonState state;
  LoadSettings(state, hidden, &window);
  window.EnsureReachable();
}

TEST(WindowSettingsTest, PlaceSizeAndHiddenSurviveARestart) {
  Store().clear();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  {
    MainWindow window(0);
    window.SetGeometry({screen.x() + 40, screen.y() + 30, 600, 420});
    window.show();
    SaveSettings(DaemonState{}, &window);
  }
  MainWindow window(0);
  bool hidden = true;
  Restore(window, hidden);
  const PixelRect g = window.Geometry();
  EXPECT_EQ(g.left, screen.x() + 40);
  EXPECT_EQ(g.top, screen.y() + 30);
  EXPECT_EQ(g.width, 600);
  EXPECT_EQ(g.height, 420);
  EXPECT_FALSE(hidden);
  EXPECT_EQ(Store().value("Window.Hidden").toString(), QStringLiteral("False"));
}

TEST(WindowSettingsTest, AnUnusablePlaceGivesACentredWindowAtItsDesignSize) {
  const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char* what;
    const char* x;
    const char* y;
    const char* width;
    const char* height;
  } cases[] = {
      {"a monitor since removed", "2000000", "15000", "9000", "6000"},
      {"negative far away", "-900000", "-900000", "9000", "6000"},
      {"absurdly small", "1500", "1500", "15", "15"},
      {"absurdly large", "0", "0", "99000000", "99000000"},
  };
  for (const Case& c : cases) {
    Store().clear();
    QSettings store = Store();
    store.setValue("Window.X", c.x);
    store.setValue("Window.Y", c.y);
    store.setValue("Window.Width", c.width);
    store.setValue("Window.Height", c.height);
    store.sync();
    MainWindow window(0);
    bool hidden = false;
    Restore(window, hidden);
    const PixelRect design = window.DesignSize();
    const PixelRect g = window.Geometry();
    EXPECT_EQ(g.width, design.width) << c.what;
    EXPECT_EQ(g.height, design.height) << c.what;
    EXPECT_EQ(g.left, primary.x() + (primary.width() - design.width) / 2) << c.what;
    EXPECT_EQ(g.top, primary.y() + (primary.height() - design.height) / 2) << c.what;
  }
}

TEST(WindowSettingsTest, NoBackgroundSwitchesTheGradientOffOnlyForOne) {
  for (const auto& [value, gradient] : {std::pair{"1", 0}, {"0", 1}, {"2", 1}}) {
    Store().clear();
    Store().setValue("Window.NoBKG", value);
    MainWindow window(0);
    bool hidden = false;
    Restore(window, hidden);
    EXPECT_EQ(window.logView().BackGradient(), gradient) << value;
  }
}

}  // namespace
}  // namespace corvane
