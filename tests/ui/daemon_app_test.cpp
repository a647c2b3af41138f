#include "ui/daemon_app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "core/hosts/caption_host.h"
#include "core/instance_lock.h"
#include "core/settings.h"
#include "loopback_http_server.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"
#include "update/update_url.h"

namespace corvane {
namespace {

class RecordingCaption final : public CaptionHost {
 public:
  void SetCaption(const std::string& caption) override { captions.push_back(caption); }
  std::vector<std::string> captions;
};

QSettings Store() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, "Talvex", "Corvane");
}

class DaemonAppTest : public ::testing::Test {
 protected:
  DaemonAppTest() { Store().clear(); }

  // Runs start-up only.
  DaemonApp& Start(std::vector<std::string> args) {
    app = std::make_unique<DaemonApp>(DaemonHosts{view, desktop, boxes, caption, nullptr},
                                      CommandLineSwitches(std::move(args)), clock);
    app->Form_Load();
    return *app;
  }
  // Runs start-up and the event loop until the daemon ends it.
  int Run(std::vector<std::string> args) {
    Start(std::move(args));
    return QCoreApplication::exec();
  }
  // An observation file with one point on `in/` running `command`.
  std::string ObservationFile(const std::string& command, const std::string& name = "Files") {
    std::filesystem::create_directories(dir.File("in"));
    return dir.Write("points.xml",
                     "<Corvane><Name>" + name + "</Name><Observation><Point><Directory>" +
                         dir.File("in") + "</Directory><Intervall>1</Intervall>" + command +
                         "<Attributes Exclusive=\"0\"/></Point></Observation></Corvane>");
  }
  bool Logged(const std::string& part) const {
    for (const auto& text : view.Texts()) {
      if (text.find(part) != std::string::npos) return true;
    }
    return false;
  }

  test::TempDir dir;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  test::RecordingMessageBoxes boxes;
  RecordingCaption caption;
  SystemClock clock;
  std::unique_ptr<DaemonApp> app;
};

TEST_F(DaemonAppTest, BannerIsBoldRawAndFirst) {
  Run({});
  ASSERT_FALSE(view.items.empty());
  EXPECT_EQ(view.items[0].text, "Corvane v. 1.0.2 is starting...");
  EXPECT_TRUE(view.items[0].bold);
  EXPECT_FALSE(app->state().dStartTime.isNull());
}

TEST_F(DaemonAppTest, WithoutObservationFileStartupFailsWithErrorA) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"/XML"}, {"/XML", dir.File("missing.xml")}, {"/XML", "\"" + dir.path() + "\""}}) {
    boxes.boxes.clear();
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(Run(args), ExitCode::FatalStartupError);
    EXPECT_GE(elapsed.elapsed(), 200);  // the orderly stop waits for its end timer
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, "Corvane");
    EXPECT_EQ(boxes.boxes[0].text,
              "Use /XML to specify an XML file containing the File Points to observe.");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Stop);
    EXPECT_FALSE(app->tmrMain.isActive());
  }
}

TEST_F(DaemonAppTest, FileWithoutUsablePointIsErrorB) {
  const std::string xml = dir.Write("points.xml", "<Corvane><Observation/></Corvane>");
  EXPECT_EQ(Run({"/XML", xml}), ExitCode::FatalStartupError);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "The XML file " + xml +
                                     " did not contain any useful information or had errors!\r\n"
                                     "Please correct this. The Corvane will quit now.");
  EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Stop);
}

TEST_F(DaemonAppTest, SecondDaemonOnTheSameFileIsErrorCUnlessNic) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  test::RecordingLogView otherView;
  test::FakeDesktop otherDesktop;
  SystemClock otherClock;
  Daemon other(otherView, otherDesktop, otherClock);
  ASSERT_TRUE(other.lock.RegisterInstance(xml));

  EXPECT_EQ(Run({"/XML", xml}), ExitCode::FatalStartupError);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "The daemon for '" + xml +
                                     "' seems already to be running.\r\n"
                                     "Having multiple instances of one daemon is no good idea!\r\n"
                                     "The daemon will quit now.");
  EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Exclamation);

  boxes.boxes.clear();
  view.items.clear();
  Start({"/XML", xml, "/NIC"});
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(app->tmrMain.isActive());
  EXPECT_EQ(app->state().sXmlFile, xml);
  EXPECT_TRUE(Logged("Warning ] The daemon for '" + xml + "' seems already to be running."));
  EXPECT_TRUE(Logged("Warning ] Having multiple instances of one daemon is no good idea!"));
}

TEST_F(DaemonAppTest, StartsRunningWithTheLockAndTheNames) {
  const std::string xml = ObservationFile("<Command>true</Command>", "From file");
  Start({"/XML", xml});
  EXPECT_TRUE(app->IsRunning());
  EXPECT_EQ(app->state().sDaemonName, "From file");
  EXPECT_EQ(app->state().sXmlFile, xml);
  EXPECT_TRUE(app->daemon().lock.IsHeld());

  Start({"/XML", xml, "/Name", "Night", "Shift"});
  EXPECT_EQ(app->state().sDaemonName, "Night Shift");
}

TEST_F(DaemonAppTest, RunNowChecksOnceAndPauseKeepsTheTimerOff) {
  const std::string xml = ObservationFile("<Command Wait=\"0\">rm %File%</Command>");
  std::ofstream(dir.File("in/a.txt")) << "x";
  Start({"/XML", xml, "/runnow", "/pause"});
  EXPECT_FALSE(app->IsRunning());
  EXPECT_FALSE(std::filesystem::exists(dir.File("in/a.txt")));
  const std::string in = dir.File("in") + "/";
  EXPECT_TRUE(Logged("Info ] " + in + "*.*: found 1 files in " + in + "."));
  EXPECT_TRUE(Logged("Info ] The Daemon is paused. Type 'go' to start it."));
}

TEST_F(DaemonAppTest, APauseDuringATickHoldsAfterIt) {
  const std::string xml = ObservationFile("<Command Wait=\"0\">sleep 0.3</Command>");
  std::ofstream(dir.File("in/a.txt")) << "x";
  Start({"/XML", xml});
  QTimer::singleShot(100, [this] { app->SetRunning(false); });
  app->tmrMain_Timer();  // not due yet: counts a tick
  app->tmrMain_Timer();  // due: runs the command and waits for it
  EXPECT_TRUE(Logged("found 1 files"));
  EXPECT_FALSE(app->IsRunning());
  EXPECT_FALSE(app->tmrMain.isActive());
  app->SetRunning(true);
  EXPECT_TRUE(app->tmrMain.isActive());
}

TEST_F(DaemonAppTest, ATickWithAFailureLogsTheObservationError) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  Start({"/XML", xml});
  std::filesystem::remove_all(dir.File("in"));
  app->tmrMain_Timer();
  app->tmrMain_Timer();
  EXPECT_TRUE(Logged("Error ] modMain::fCheckPoints: Directory not found: "));
  EXPECT_TRUE(Logged("Error ] Observation error! Please check the daemon settings."));
  EXPECT_TRUE(app->tmrMain.isActive());
}

TEST_F(DaemonAppTest, QuitReleasesTheLockAndEndsWithZero) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  Start({"/XML", xml});
  QTimer::singleShot(0, [this] { app->QuitDaemon(); });
  EXPECT_EQ(QCoreApplication::exec(), ExitCode::Ok);
  EXPECT_FALSE(app->daemon().lock.IsHeld());
}

TEST_F(DaemonAppTest, AStoredSettingThatCannotBeReadStopsStartUpAndStaysAsItWas) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  Store().setValue("Log.Level", "loud");
  EXPECT_EQ(Run({"/XML", xml}), ExitCode::FatalStartupError);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Stop);
  EXPECT_NE(boxes.boxes[0].text.find("'Log.Level'"), std::string::npos);
  EXPECT_NE(boxes.boxes[0].text.find(Store().fileName().toStdString()), std::string::npos);
  EXPECT_TRUE(view.items.empty());  // nothing else of start-up ran
  EXPECT_FALSE(app->daemon().lock.IsHeld());
  EXPECT_EQ(Store().allKeys(), QStringList{"Log.Level"});
  EXPECT_EQ(Store().value("Log.Level").toString(), "loud");
}

TEST_F(DaemonAppTest, TheOrderlyStopSavesWhatTheConsoleChanged) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  const std::string language = dir.Write("short.lng", "33=on\n");
  Start({"/XML", xml});
  app->ProcessCommand("set loglevel 3");
  app->ProcessCommand("set languagefile " + language);
  app->ProcessCommand("exit");
  EXPECT_EQ(QCoreApplication::exec(), ExitCode::Ok);
  EXPECT_EQ(Store().value("Log.Level").toString(), "3");
  EXPECT_EQ(Store().value("App.Language").toString().toStdString(), language);
  EXPECT_FALSE(Store().contains("Window.X"));  // no window to save

  DaemonState read;
  bool hidden = false;
  LoadSettings(read, hidden, nullptr);
  EXPECT_EQ(read.iLogLevel, 3);
}

TEST_F(DaemonAppTest, AFatalStartupErrorStillSavesTheSettings) {
  Store().setValue("Log.Level", "2");
  EXPECT_EQ(Run({}), ExitCode::FatalStartupError);
  EXPECT_EQ(Store().value("Log.Level").toString(), "2");
  EXPECT_EQ(Store().value("App.Language").toString(), "english.lng");
}

TEST_F(DaemonAppTest, TheCaptionFollowsStartUpAndTheConsole) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  Start({"/XML", xml, "/pause"});
  EXPECT_EQ(caption.captions, std::vector<std::string>{"Files (stopped)"});
  app->ProcessCommand("go");
  EXPECT_TRUE(app->tmrMain.isActive());
  EXPECT_EQ(caption.captions.back(), "Files (running)");
  app->ProcessCommand("PAUSE");
  EXPECT_FALSE(app->tmrMain.isActive());
  EXPECT_EQ(caption.captions.back(), "Files (stopped)");
}

TEST_F(DaemonAppTest, NoCommandRunsOnceTheStopHasBegun) {
  const std::string xml = ObservationFile("<Command>true</Command>");
  Start({"/XML", xml});
  app->QuitDaemon();
  view.items.clear();
  app->ProcessCommand("go");
  EXPECT_TRUE(view.items.empty());
  EXPECT_FALSE(app->tmrMain.isActive());
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The check at the end of start-up stays silent unless a newer version
// exists; then it asks, naming the download location.
TEST_F(DaemonAppTest, StartupUpdateCheckSpeaksOnlyOfANewerVersion) {
  test::LoopbackHttpServer server;
  ::setenv("CORVANE_UPDATE_URL", server.Url("/").c_str(), 1);
  const std::string xml = ObservationFile("<Command>true</Command>");
  for (const char* version : {"1.0.2", "1.0.3"}) {
    server.Serve(kVersionFilePath, std::string("Current Version=") + version +
                                       "\r\nDownload=http://127.0.0.1:9/corvane.zip\r\n");
    boxes.boxes.clear();
    const std::size_t linesBefore = view.items.size();
    Start({"/XML", xml, "/NIC"});
    const std::size_t linesAfterStart = view.items.size();
    const std::size_t requests = server.requests().size();
    QElapsedTimer waited;
    waited.start();
    while (server.requests().size() == requests && waited.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_GT(linesAfterStart, linesBefore);
    if (std::string(version) == "1.0.2") {
      EXPECT_TRUE(boxes.boxes.empty()) << version;
      EXPECT_EQ(view.items.size(), linesAfterStart) << version;
    } else {
      ASSERT_EQ(boxes.boxes.size(), 1u) << version;
      EXPECT_NE(boxes.boxes[0].text.find("http://127.0.0.1:9/corvane.zip"), std::string::npos);
    }
  }
  ::unsetenv("CORVANE_UPDATE_URL");
}

}  // namespace
}  // namespace corvane
