#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include "core/daemon_state.h"
#include "core/settings.h"
#include "rect_text.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

using test::RectText;

// Stored in twips, on a monitor since removed.
TEST(WindowSettingsTest, AnUnusablePlaceGivesACentredWindowAtItsDesignSize) {
  QSettings store(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
  store.clear();
  for (const auto& [key, value] : {std::pair{"Window.X", 2000000},
                                   {"Window.Y", 15000},
                                   {"Window.Width", 9000},
                                   {"Window.Height", 6000}}) {
    store.setValue(key, value);
  }
  store.sync();
  MainWindow window(0);
  DaemonState state;
  bool hidden = false;
  LoadSettings(state, hidden, &window);
  window.EnsureReachable();
  const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
  const PixelRect design = window.DesignSize();
  EXPECT_EQ(RectText(window.Geometry()),
            RectText(PixelRect{primary.x() + (primary.width() - design.width) / 2,
                               primary.y() + (primary.height() - design.height) / 2, design.width,
                               design.height}));
}

}  // namespace
}  // namespace corvane
