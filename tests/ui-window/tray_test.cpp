#include <gtest/gtest.h>

#include <QApplication>

#include "fake_steering.h"
#include "fake_tray.h"
#include "ui/desktop_integration.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

using test::FakeSteering;
using test::FakeTray;

TEST(TrayMenuTest, CaptionsTellTheStateAndNameOfTheMomentTheMenuOpens) {
  struct Case {
    const char* what;
    bool running;
    std::string name;
    TrayMenuCaptions want;
  } cases[] = {
      {"running",
       true,
       "Inbox",
       {"Inbox (running)", "Show Inbox", "Pause Inbox", "Search new files", "Exit"}},
      {"paused",
       false,
       "Inbox",
       {"Inbox (running)", "Show Inbox", "Resume Inbox", "Search new files", "Exit"}},
      {"empty name",
       true,
       "",
       {"Inbox (running)", "Show Corvane", "Pause ", "Search new files", "Exit"}},
  };
  FakeSteering daemon;
  TrayMenu menu(daemon);
  for (const Case& c : cases) {
    daemon.running = c.running;
    daemon.name = c.name;
    menu.Refresh("Inbox (running)");
    const TrayMenuCaptions& w = c.want;
    EXPECT_EQ(menu.title()->text().toStdString(), w.title) << c.what;
    EXPECT_EQ(menu.show()->text().toStdString(), w.show) << c.what;
    EXPECT_EQ(menu.pauseResume()->text().toStdString(), w.pauseResume) << c.what;
    EXPECT_EQ(menu.runNow()->text().toStdString(), w.runNow) << c.what;
    EXPECT_EQ(menu.exit()->text().toStdString(), w.exit) << c.what;
    EXPECT_EQ(menu.menu().defaultAction(), menu.title()) << c.what;
  }
}

TEST(TrayMenuTest, AnAmpersandInTheNameIsShownNotTakenAsAShortcut) {
  FakeSteering daemon;
  daemon.name = "R&D";
  TrayMenu menu(daemon);
  menu.Refresh("R&D (running)");
  EXPECT_EQ(menu.show()->text(), QStringLiteral("Show R&&D"));
  EXPECT_EQ(menu.title()->text(), QStringLiteral("R&&D (running)"));
}

TEST(TrayMenuTest, ItemsSteerTheDaemon) {
  FakeSteering daemon;
  TrayMenu menu(daemon);
  int shows = 0;
  menu.onShow = [&shows] { ++shows; };
  menu.pauseResume()->trigger();
  EXPECT_FALSE(daemon.running);
  menu.pauseResume()->trigger();
  EXPECT_TRUE(daemon.running);
  menu.runNow()->trigger();
  menu.show()->trigger();
  menu.title()->trigger();
  EXPECT_EQ(daemon.checks, 1);
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(daemon.quits, 0);
  menu.exit()->trigger();
  EXPECT_EQ(daemon.quits, 1);
}

// A window, a tray and a daemon, wired as the program wires them.
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
  d.window.show();
  EXPECT_FALSE(d.desktop.ShowBalloonTip("disk full", 5000, BalloonType::Warning));
  EXPECT_TRUE(d.tray->balloons.empty());

  d.window.close();  // into the tray
  EXPECT_TRUE(d.desktop.ShowBalloonTip("disk full", 5000, BalloonType::Warning));
  ASSERT_EQ(d.tray->balloons.size(), 1u);
  const FakeTray::Balloon& b = d.tray->balloons.front();
  EXPECT_EQ(b.kind, BalloonType::Warning);
  EXPECT_EQ(b.text, QStringLiteral("disk full"));
  EXPECT_EQ(b.title, QStringLiteral("Inbox"));
  EXPECT_EQ(b.durationMs, 5000);
}

TEST(DesktopIntegrationTest, TheCloseBoxHidesIntoTheTrayAndADoubleClickBringsTheWindowBack) {
  Desktop d;
  d.window.show();
  EXPECT_FALSE(d.tray->shown);
  d.window.close();
  EXPECT_FALSE(d.window.isVisible());
  EXPECT_TRUE(d.tray->shown);
  EXPECT_EQ(d.tray->toolTip, QStringLiteral("Inbox (running)"));
  EXPECT_EQ(d.daemon.quits, 0);

  // The caption follows the daemon while hidden, into the tooltip.
  d.desktop.SetCaption("Inbox (stopped)");
  EXPECT_EQ(d.tray->toolTip, QStringLiteral("Inbox (stopped)"));
  EXPECT_EQ(d.window.windowTitle(), QStringLiteral("Inbox (stopped)"));

  d.tray->onMouseEvent(TrayMouse::DoubleClick);
  EXPECT_TRUE(d.window.isVisible());
  EXPECT_FALSE(d.tray->shown);
}

TEST(DesktopIntegrationTest, WithoutANotificationAreaTheWindowIsMinimisedNotHidden) {
  Desktop d(false);
  d.window.show();
  d.window.close();
  EXPECT_TRUE(d.window.isVisible());
  EXPECT_TRUE(d.window.isMinimized());
  EXPECT_FALSE(d.tray->shown);

  // A hidden start cannot hide either; no balloon goes nowhere.
  Desktop hidden(false);
  hidden.desktop.FinishStartup(true);
  EXPECT_TRUE(hidden.window.isMinimized());
  EXPECT_TRUE(hidden.tray->balloons.empty());
}

TEST(DesktopIntegrationTest, AHiddenStartShowsOnlyTheIconAndTheLoadedBalloon) {
  for (const bool running : {true, false}) {
    Desktop d;
    d.daemon.running = running;
    d.desktop.FinishStartup(true);
    EXPECT_FALSE(d.window.isVisible());
    EXPECT_TRUE(d.tray->shown);
    ASSERT_EQ(d.tray->balloons.size(), 1u);
    const std::string loaded = "Inbox is loaded. Double click this Icon to show it.";
    EXPECT_EQ(d.tray->balloons[0].text.toStdString(),
              running ? loaded : loaded + " The daemon is paused.");
    EXPECT_EQ(d.tray->balloons[0].kind, BalloonType::Information);
  }
}

TEST(DesktopIntegrationTest, AShownStartFocusesTheInputLineAndTheStopHidesWithoutAnIcon) {
  Desktop d;
  d.desktop.FinishStartup(false);
  EXPECT_TRUE(d.window.isVisible());
  EXPECT_FALSE(d.tray->shown);
  QApplication::setActiveWindow(&d.window);
  EXPECT_EQ(QApplication::focusWidget(), &d.window.inputLine());

  d.desktop.OnQuitting();
  EXPECT_FALSE(d.window.isVisible());
  EXPECT_FALSE(d.tray->shown);
}

TEST(DesktopIntegrationTest, TheInputLineRunsConsoleCommandsOnTheDaemon) {
  Desktop d;
  d.window.inputLine().setText("pause");
  d.window.RunInput();
  EXPECT_EQ(d.daemon.commands, std::vector<std::string>{"pause"});
}

}  // namespace
}  // namespace corvane
