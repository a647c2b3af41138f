// The window: its input line and log view, and where it comes back (its
// stored place and state, the layout of its client area, and a place that
// can be reached on the screens there are); the tray and its menu, the
// platform the window starts on and the last words when its display goes
// away under it.

#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "core/settings.h"
#include "core/settings_store.h"
#include "listctl/mc_list_box.h"
#include "support/logging_core.h"
#include "support/rect_text.h"
#include "support/temp_dir.h"
#include "ui/daemon_steering.h"
#include "ui/desktop_integration.h"
#include "ui/exit_guard.h"
#include "ui/safe_geometry.h"
#include "ui/tray_icon_host.h"
#include "ui/window_layout.h"
#include "ui/window_platform.h"
#include "ui/window_settings.h"

namespace corvane {
namespace {

// A shown, active window.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    QApplication::setActiveWindow(&window);
  }
  MainWindow window{0};
};

TEST_F(MainWindowTest, TheInputLineIsDisabledWhileACommandRunsAndEmptyAfterEveryOne) {
  QLineEdit& input = window.inputLine();
  std::vector<std::string> commands;
  window.onCommand = [&](const std::string& line) {
    commands.push_back(line + (input.isEnabled() ? " on an enabled line" : ""));
    // What is typed now cannot reach the disabled line as a second command.
    input.setText("go");
    window.RunInput();
  };
  window.RunInput();  // an empty line runs nothing
  for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
    input.setText("stat");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, modifiers, QStringLiteral("\r"));
    QApplication::sendEvent(&input, &enter);
    EXPECT_EQ(std::pair(input.isEnabled(), input.text()), std::pair(true, QString()));
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"stat", "stat"}));
}

// Even a line below the log level, which the view does not show, brings the
// view back to its newest line.
TEST_F(MainWindowTest, EveryLoggedLineScrollsTheViewToItsNewestLine) {
  for (int i = 0; i < 200; ++i) window.ShowLogLine("line", false, true);
  window.logView().verticalScrollBar()->setValue(0);
  window.ShowLogLine("hidden", false, false);
  EXPECT_EQ(window.logView().ListCount(), 200);
  EXPECT_EQ(window.logView().verticalScrollBar()->value(), 200 - window.logView().VisibleRows());
}

// Printable keys typed into the view go to the end of the input line;
// Ctrl+C and Esc stay with the view.
TEST_F(MainWindowTest, KeysTypedIntoTheLogViewGoToTheEndOfTheInputLine) {
  window.inputLine().setText("st");
  window.inputLine().setCursorPosition(0);
  window.logView().setFocus();
  const std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*> keys[] = {
      {Qt::Key_C, Qt::ControlModifier, "\x03"},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b"},
      {Qt::Key_A, Qt::NoModifier, "a"},
      {Qt::Key_T, Qt::NoModifier, "t"}};
  for (const auto& [code, held, typed] : keys) {
    QKeyEvent key(QEvent::KeyPress, code, held, QString::fromLatin1(typed));
    QApplication::sendEvent(&window.logView(), &key);
  }
  EXPECT_EQ(std::tuple(window.inputLine().text(), window.inputLine().cursorPosition(),
                       QApplication::focusWidget()),
            std::tuple(QString("stat"), 4, static_cast<QWidget*>(&window.inputLine())));
}

// Tab and Shift+Tab between the two; the view's focus is seen at its current line.
TEST_F(MainWindowTest, TabMovesAVisibleFocusBetweenTheInputLineAndTheLogView) {
  for (int i = 0; i < 200; ++i) window.AddItem("line " + std::to_string(i), false);
  window.inputLine().setFocus();
  const QImage unfocused = window.logView().grab().toImage();
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(&window.inputLine(), &tab);
  EXPECT_NE(window.logView().grab().toImage(), unfocused);
  QKeyEvent backTab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
  QApplication::sendEvent(&window.logView(), &backTab);
  EXPECT_EQ(std::pair(QApplication::focusWidget(), window.logView().grab().toImage()),
            std::pair(static_cast<QWidget*>(&window.inputLine()), unfocused));
}

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

// A missing place centres the window at the size it has, and it starts
// hidden; a place stored in twips on a monitor since removed centres it at
// its design size.
TEST(WindowSettingsTest, AMissingOrUnusablePlaceCentresTheWindow) {
  MainWindow missing(0), unusable(0);
  missing.SetGeometry({0, 0, 640, 480});
  EXPECT_TRUE(LoadOnly(missing, {}));
  LoadOnly(unusable, {{"Window.X", 2000000},
                      {"Window.Y", 15000},
                      {"Window.Width", 9000},
                      {"Window.Height", 6000}});
  unusable.EnsureReachable();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const auto& [window, size] : {std::pair(&missing, PixelRect{0, 0, 640, 480}),
                                     std::pair(&unusable, unusable.DesignSize())}) {
    EXPECT_EQ(RectText(window->Geometry()),
              RectText(PixelRect{screen.x() + (screen.width() - size.width) / 2,
                                 screen.y() + (screen.height() - size.height) / 2, size.width,
                                 size.height}));
  }
}

// The stored state is the window's: 1 minimised, 2 maximised; only a
// "no background" of 1 switches the gradient off. Only a normal window
// stores its place and visibility: a maximised one keeps its last normal
// place.
TEST(WindowSettingsTest, TheStoredValuesAreTheWindowsAndOnlyANormalWindowStoresItsPlace) {
  const std::tuple<int, int, bool, bool, int, std::string> cases[] = {
      // state, no background, minimised, maximised, gradient, stored X
      {0, 1, false, false, 0, "1500"},
      {1, 0, true, false, 1, "-"},
      {2, 2, false, true, 1, "-"}};
  for (const auto& [state, noBackground, minimised, maximised, gradient, x] : cases) {
    MainWindow window(0);
    LoadOnly(window, {{"Window.State", state}, {"Window.NoBKG", noBackground}, {"Window.X", 1500}});
    EXPECT_EQ(std::tuple(window.isMinimized(), window.isMaximized(),
                         int(window.logView().BackGradient())),
              std::tuple(minimised, maximised, gradient));
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
  LoadWindowSettings(SettingsReader(), window);
  test::LoggingCore core;
  SettingsSaver(core.log).Save(ReadDaemonSettings(SettingsReader()),
                               [&](SettingsWriter& writer) { SaveWindowSettings(writer, window); });
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
  EXPECT_EQ(std::pair(TwipsToPixels(285, 96), PixelsToTwips(521, 96)), std::pair(19, 7815));
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

struct FakeSteering final : DaemonSteering {
  bool IsRunning() const override { return true; }
  void SetRunning(bool) override {}
  void CheckNow() override {}
  void Quit() override {}
  void ProcessCommand(const std::string&) override {}
  std::string DaemonName() const override { return name; }
  std::string Translate(const CatalogueText& text) const override { return std::string(text.text); }

  std::string name = "Inbox";
};

struct FakeTray final : TrayIconHost {
  bool IsAvailable() const override { return true; }
  void AddIcon(const QString&) override {}
  void RemoveIcon() override {}
  void SetToolTip(const QString&) override {}
  void SetMenu(QMenu&) override {}
  // Each balloon as "<type number>|title|text|duration".
  void ShowBalloon(BalloonType kind, const QString& text, const QString& title, int ms) override {
    balloons << QString("%1|%2|%3|%4").arg(static_cast<int>(kind)).arg(title, text).arg(ms);
  }

  QStringList balloons;
};

// Without a name the window item still names the program; "&" is doubled
// where Qt would take it as a shortcut. Named captions and their following
// the pause are the end-to-end tests'.
TEST(TrayMenuTest, CaptionsTellTheNameOfTheMomentTheMenuOpensAndShowItLiterally) {
  const std::pair<std::string, std::string> cases[] = {
      {"", " (running)||Show Corvane|Pause |Search new files||Exit"},
      {"R&D", "R&&D (running)||Show R&&D|Pause R&&D|Search new files||Exit"}};
  FakeSteering daemon;
  TrayMenu menu(daemon);
  for (const auto& [name, expected] : cases) {
    daemon.name = name;
    menu.Refresh(name + " (running)");
    QStringList captions;
    for (QAction* item : menu.menu().actions()) captions << item->text();
    EXPECT_EQ(captions.join('|').toStdString(), expected);
  }
}

TEST(DesktopIntegrationTest, BalloonsAppearOnlyWhileTheWindowIsHidden) {
  MainWindow window(0);
  FakeSteering daemon;
  auto tray = std::make_unique<FakeTray>();
  const QStringList& balloons = tray->balloons;
  DesktopIntegration desktop(window, std::move(tray), daemon);
  desktop.FinishStartup(true);  // a hidden start: the icon and the loaded balloon
  window.show();
  desktop.ShowLogBalloon("disk full", LogLevel::Warning);
  window.close();
  desktop.ShowLogBalloon("disk full", LogLevel::Error);
  EXPECT_EQ(
      balloons.join('\n').toStdString(),
      "1|Inbox|Inbox is loaded. Double click this Icon to show it.|5000\n3|Inbox|disk full|5000");
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
      {"both: Wayland first", "", true, true, true, true, true, "wayland;xcb", ""},
      {"Wayland unserved", "", false, true, true, true, false, "", "no Qt platform for Wayland"},
      {"X11 unserved", "", true, false, true, false, true, "", "no Qt platform for X11"},
      {"no display", "", false, false, false, false, false, "", ""},
      {"forced, no display", "vnc", false, false, false, false, false, "vnc", ""},
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
    // Each thread gives up waiting for the guarding thread, which runs the
    // last words it was handed only once it turns to its events.
    const auto warn = [warning] { qWarning("%s", warning); };
    { const std::jthread first(warn), second(warn); }
    QApplication::processEvents();
    EXPECT_EQ(ranOn, std::vector(runs, std::this_thread::get_id())) << warning;
  }
}

}  // namespace
}  // namespace corvane
