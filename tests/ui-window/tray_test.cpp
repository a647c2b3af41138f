// The tray and its menu, the window's front end, the platform it starts on
// and the last words when its display goes away under it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <atomic>
#include <thread>

#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "ui/daemon_steering.h"
#include "ui/desktop_integration.h"
#include "ui/exit_guard.h"
#include "ui/main_window.h"
#include "ui/tray_icon_host.h"
#include "ui/window_front_end.h"
#include "ui/window_platform.h"

namespace corvane {
namespace {

struct FakeSteering final : DaemonSteering {
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

struct FakeTray final : TrayIconHost {
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
  bool available = true;
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
      : tray(new FakeTray), desktop(window, std::unique_ptr<FakeTray>(tray), daemon) {
    tray->available = trayAvailable;
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
  d.window.show();
  d.desktop.ShowLogBalloon("disk full", LogLevel::Warning);
  d.window.close();
  d.desktop.SetCaption("Inbox (stopped)");
  EXPECT_EQ(d.tray->toolTip, QStringLiteral("Inbox (stopped)"));
  d.desktop.ShowLogBalloon("disk full", LogLevel::Error);
  EXPECT_EQ(d.tray->balloons.join('\n').toStdString(),
            "1|Inbox|Inbox is loaded. Double click this Icon to show it. The daemon is paused."
            "|5000\n3|Inbox|disk full|5000");
}

// Hiding without a notification area would leave no way back to the window;
// one that comes later takes the window in. The close box hides the same way.
TEST(DesktopIntegrationTest, WithoutANotificationAreaTheWindowIsMinimisedUntilOneComes) {
  Desktop d(false);
  d.desktop.FinishStartup(true);
  EXPECT_TRUE(d.window.isMinimized() && !d.tray->shown && d.tray->balloons.empty());
  d.tray->available = true;
  d.desktop.RecheckTray();
  EXPECT_TRUE(d.tray->shown && !d.window.isVisible());
  d.tray->onActivated();
  EXPECT_TRUE(d.window.isVisible() && !d.window.isMinimized());
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

// Qt ends the process when no platform it is asked for starts, so every
// display that cannot be served must choose console mode here.
TEST(WindowPlatformTest, AWindowOnlyWhereAnInstalledPlatformServesADisplay) {
  // Plain values: GCC 12 at -O3 takes strings inside a table of aggregates for uninitialised.
  // What, QT_QPA_PLATFORM, X11 and Wayland displays there, one named, X11 and Wayland plugins,
  // the platforms, how the console-mode line begins (empty: none).
  using Case =
      std::tuple<const char*, const char*, bool, bool, bool, bool, bool, const char*, const char*>;
  const Case cases[] = {
      {"X11", "", true, false, true, true, true, "xcb", ""},
      {"Wayland", "", false, true, true, true, true, "wayland", ""},
      {"both: Wayland first", "", true, true, true, true, true, "wayland;xcb", ""},
      {"Wayland unserved", "", false, true, true, true, false, "", "no Qt platform for Wayland"},
      {"X11 unserved", "", true, false, true, false, true, "", "no Qt platform for X11"},
      {"a display named but gone", "", false, false, true, true, true, "", "the display"},
      {"no display", "", false, false, false, false, false, "", ""},
      {"forced, no display", "vnc", false, false, false, false, false, "vnc", ""},
      {"forced off-screen", "offscreen", true, true, true, true, true, "", ""},
      {"forced minimal", "minimal", true, true, true, true, true, "", ""},
  };
  for (const auto& [what, forced, x11, wayland, named, x11Plugin, waylandPlugin, platforms,
                    reasonStart] : cases) {
    const DisplayEnvironment environment{forced, x11, wayland, named, x11Plugin, waylandPlugin};
    EXPECT_EQ(WindowPlatforms(environment), platforms) << what;
    const std::string reason = ConsoleModeReason(environment);
    EXPECT_TRUE(*reasonStart ? reason.starts_with(reasonStart) : reason.empty())
        << what << ": " << reason;
  }
}

// Qt's Wayland plugin logs one of two fixed warnings, from any of its
// threads and often from two at once, and then ends the process with
// _exit(): the last words run then, once, on the thread that made the guard.
TEST(ExitGuardTest, QtsFatalWaylandWarningsRunTheLastWordsOnceOnTheGuardingThread) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"The Wayland connection broke. Did the Wayland compositor die?", 1},
      {"The Wayland connection experienced a fatal error: Protocol error", 1},
      {"The Wayland connection broke.", 0},
  };
  for (const auto& [warning, runs] : cases) {
    std::vector<std::thread::id> ranOn;
    const ExitGuard guard([&ranOn] { ranOn.push_back(std::this_thread::get_id()); });
    std::atomic<int> pending{2};
    const auto warn = [&] {
      qWarning("%s", warning);
      --pending;
    };
    std::thread first(warn), second(warn);
    while (pending > 0) QApplication::processEvents();
    first.join();
    second.join();
    EXPECT_EQ(ranOn, std::vector(runs, std::this_thread::get_id())) << warning;
  }
}

}  // namespace
}  // namespace corvane
