#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <string>

#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "ui/daemon_steering.h"
#include "ui/desktop_integration.h"
#include "ui/main_window.h"
#include "ui/tray_icon_host.h"
#include "ui/window_front_end.h"

namespace corvane {
namespace {

class FakeSteering final : public DaemonSteering {
 public:
  bool IsRunning() const override { return running; }
  void SetRunning(bool run) override { running = run; }
  void CheckNow() override {}
  void Quit() override {}
  void ProcessCommand(const std::string&) override {}
  std::string DaemonName() const override { return name; }
  std::string Translate(const CatalogueText& text) const override { return std::string(text.text); }

  bool running = true;
  std::string name = "Inbox";
};

class FakeTray final : public TrayIconHost {
 public:
  explicit FakeTray(bool available = true) : available(available) {}

  bool IsAvailable() const override { return available; }
  void AddIcon(const QString& tip) override {
    shown = true;
    toolTip = tip;
  }
  void RemoveIcon() override { shown = false; }
  void SetToolTip(const QString& tip) override { toolTip = tip; }
  void SetMenu(QMenu&) override {}
  // Each balloon as "<type number>|title|text|duration".
  void ShowBalloon(BalloonType kind, const QString& text, const QString& title, int ms) override {
    balloons << QString("%1|%2|%3|%4").arg(static_cast<int>(kind)).arg(title, text).arg(ms);
  }

  bool shown = false;
  QString toolTip;
  QStringList balloons;
  bool available;
};

// Without a name the window item still names the program; "&" is doubled
// where Qt would take it as a shortcut. Named captions and their following
// the pause are the end-to-end tests'.
TEST(TrayMenuTest, CaptionsTellTheNameOfTheMomentTheMenuOpensAndShowItLiterally) {
  const std::pair<std::string, std::string> cases[] = {
      {"", " (running)|Show Corvane|Pause |Search new files|Exit"},
      {"R&D", "R&&D (running)|Show R&&D|Pause R&&D|Search new files|Exit"}};
  FakeSteering daemon;
  TrayMenu menu(daemon);
  for (const auto& [name, expected] : cases) {
    daemon.name = name;
    menu.Refresh(name + " (running)");
    QStringList captions;
    for (QAction* item :
         {menu.title(), menu.show(), menu.pauseResume(), menu.runNow(), menu.exit()})
      captions << item->text();
    EXPECT_EQ(captions.join('|').toStdString(), expected);
    EXPECT_EQ(menu.menu().defaultAction(), menu.title()) << name;
  }
}

struct Desktop {
  explicit Desktop(bool trayAvailable = true)
      : tray(new FakeTray(trayAvailable)),
        desktop(window, std::unique_ptr<FakeTray>(tray), daemon) {
    desktop.SetCaption("Inbox (running)");
  }
  MainWindow window{0};
  FakeSteering daemon;
  FakeTray* tray;  // owned by desktop
  DesktopIntegration desktop;
};

TEST(DesktopIntegrationTest, BalloonsAppearOnlyWhileTheWindowIsHidden) {
  Desktop d;
  d.daemon.running = false;
  d.desktop.FinishStartup(true);  // a hidden start: the icon and the loaded balloon
  EXPECT_FALSE(d.window.isVisible());
  ASSERT_EQ(d.tray->balloons.size(), 1);
  EXPECT_TRUE(d.tray->balloons[0].startsWith(
      "1|Inbox|Inbox is loaded. Double click this Icon to show it. The daemon is paused.|"));
  d.window.show();
  d.desktop.ShowLogBalloon("disk full", LogLevel::Warning);
  d.window.close();
  d.desktop.SetCaption("Inbox (stopped)");
  EXPECT_EQ(d.tray->toolTip, QStringLiteral("Inbox (stopped)"));
  d.desktop.ShowLogBalloon("disk full", LogLevel::Error);
  EXPECT_EQ(d.tray->balloons.back().toStdString(), "3|Inbox|disk full|5000");
  EXPECT_EQ(d.tray->balloons.size(), 2);
}

// Hiding without a notification area would leave no way back to the window;
// one that comes later takes the window in.
TEST(DesktopIntegrationTest, WithoutANotificationAreaTheWindowIsMinimisedUntilOneComes) {
  Desktop closed(false), hiddenStart(false);
  closed.window.show();
  closed.window.close();
  hiddenStart.desktop.FinishStartup(true);
  for (Desktop* d : {&closed, &hiddenStart}) {
    EXPECT_TRUE(d->window.isMinimized());
    EXPECT_FALSE(d->tray->shown);
    EXPECT_TRUE(d->tray->balloons.empty());
    d->tray->available = true;
    d->desktop.RecheckTray();
    EXPECT_TRUE(d->tray->shown && !d->window.isVisible());
    d->tray->onActivated();
    EXPECT_TRUE(d->window.isVisible() && !d->window.isMinimized());
  }
}

// The menu's Exit is an orderly stop whose closing line names it.
TEST(WindowFrontEndTest, TheMenusExitEndsTheLogWithItsClosingLine) {
  const test::TempDir dir;
  const std::string xml = dir.Write(
      "points.xml",
      test::ObservationXml("Inbox", {test::PointXml(dir.path(), 3600, "<Command>true</Command>")}));
  WindowFrontEnd front(CommandLineSwitches({"/XML", xml, "/Log", dir.File("log")}),
                       std::make_unique<FakeTray>());
  front.Start();
  front.desktop().menu().exit()->trigger();
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(
      test::ReadFile(dir.File("log")).ends_with("] Inbox stopped: Exit in the tray menu.\r\n"))
      << test::ReadFile(dir.File("log"));
}

}  // namespace
}  // namespace corvane
