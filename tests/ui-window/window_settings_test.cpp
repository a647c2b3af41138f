#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include "core/daemon_state.h"
#include "core/settings.h"
#include "listctl/mc_list_box.h"
#include "support/rect_text.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

void LoadOnly(MainWindow& window, std::initializer_list<std::pair<const char*, int>> values) {
  QSettings store(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
  store.clear();
  for (const auto& [key, value] : values) store.setValue(key, value);
  store.sync();
  DaemonState state;
  bool hidden = false;
  LoadSettings(state, hidden, &window);
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
  EXPECT_EQ(test::RectText(window.Geometry()),
            test::RectText(PixelRect{primary.x() + (primary.width() - design.width) / 2,
                                     primary.y() + (primary.height() - design.height) / 2,
                                     design.width, design.height}));
}

TEST(WindowSettingsTest, NoBackgroundSwitchesTheGradientOffOnlyForOne) {
  for (const auto& [value, gradient] : {std::pair{1, 0}, {0, 1}, {2, 1}}) {
    MainWindow window(0);
    LoadOnly(window, {{"Window.NoBKG", value}});
    EXPECT_EQ(int(window.logView().BackGradient()), gradient) << value;
  }
}

}  // namespace
}  // namespace corvane
