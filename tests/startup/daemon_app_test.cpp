#include "startup/daemon_app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <ranges>

#include "core/hosts/caption_host.h"
#include "core/settings_store.h"
#include "core/version.h"
#include "loopback_http_server.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "update/update_url.h"

namespace corvane::test {
namespace {

class RecordingCaption final : public CaptionHost {
 public:
  void SetCaption(const std::string& caption) override { captions.push_back(caption); }
  std::vector<std::string> captions;
};

QSettings Store() { return OpenSettingsStore(); }

// The daemon as the executable makes it, on the recording hosts of a
// LoggingCore.
class DaemonAppTest : public ::testing::Test, protected LoggingCore {
 protected:
  DaemonAppTest() { Store().clear(); }

  // Runs start-up only.
  void Start(std::vector<std::string> args) {
    app = std::make_unique<DaemonApp>(DaemonHosts{view, desktop, boxes, caption, nullptr},
                                      CommandLineSwitches(std::move(args)), clock);
    app->Start();
  }
  // An observation file with one point on `in/` running `command`.
  std::string ObservationFile(const std::string& command) {
    std::filesystem::create_directories(dir.File("in"));
    return dir.Write(
        "points.xml",
        ObservationXml("Files", {PointXml(dir.File("in"), 1, command + kNotExclusive)}));
  }
  TempDir dir;
  RecordingMessageBoxes boxes;
  RecordingCaption caption;
  std::unique_ptr<DaemonApp> app;
};

// Error C and /NIC are left to the end-to-end tests.
TEST_F(DaemonAppTest, FatalStartupErrorsShowTheirBoxAfterTheBannerAndSaveTheSettings) {
  Store().setValue("Log.Level", "2");
  const std::string hint = "Use /XML to specify an XML file containing the File Points to observe.";
  const std::string useless = dir.Write("useless.xml", "<Corvane><Observation/></Corvane>");
  for (const auto& [args, text] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"/XML", dir.File("missing.xml")}, hint},
           {{"/XML", useless},
            "The XML file " + useless +
                " did not contain any useful information or had errors!\r\n"
                "Please correct this. The Corvane will quit now."}}) {
    view.items.clear();
    boxes.boxes.clear();
    Start(args);
    EXPECT_EQ(QCoreApplication::exec(), ExitCode::FatalStartupError);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title + "|" + boxes.boxes[0].text, "Corvane|" + text);
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Stop);
    ASSERT_FALSE(view.items.empty());
    EXPECT_EQ(view.items[0].text, std::string("Corvane v. ") + kVersionText + " is starting...");
    EXPECT_TRUE(view.items[0].bold);
  }
  EXPECT_EQ(Store().value("Log.Level").toString(), "2");
  EXPECT_EQ(Store().value("App.Language").toString(), "english.lng");
}

TEST_F(DaemonAppTest, AStoredValueThatCannotBeReadStopsStartupAndStaysAsItWas) {
  Store().setValue("Log.Level", "loud");
  Start({"/XML", ObservationFile("<Command>true</Command>")});
  EXPECT_EQ(QCoreApplication::exec(), ExitCode::FatalStartupError);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("Log.Level"), std::string::npos);
  EXPECT_NE(boxes.boxes[0].text.find(Store().fileName().toStdString()), std::string::npos);
  EXPECT_EQ(Store().value("Log.Level").toString(), "loud");
}

TEST_F(DaemonAppTest, RunNowChecksOnceAndPauseKeepsTheTimerOffUntilGo) {
  const std::string xml = ObservationFile("<Command Wait=\"0\">rm %File%</Command>");
  std::ofstream(dir.File("in/a.txt")) << "x";
  Start({"/XML", xml, "/runnow", "/pause", "/Name", "Night", "Shift"});
  EXPECT_FALSE(app->controller().IsRunning());
  EXPECT_FALSE(std::filesystem::exists(dir.File("in/a.txt")));
  const std::string in = dir.File("in") + "/";
  EXPECT_TRUE(Logged("Info ] " + in + "*.*: found 1 files in " + in + "."));
  EXPECT_TRUE(Logged("Info ] The Daemon is paused. Type 'go' to start it."));
  EXPECT_EQ(caption.captions, std::vector<std::string>{"Night Shift (stopped)"});
  app->ProcessCommand("go");
  EXPECT_TRUE(app->controller().IsRunning());
  EXPECT_EQ(caption.captions.back(), "Night Shift (running)");
}

// A stop signal while the start-up check waits for its command (sent once
// the command runs) ends the loop with 0 and saves the settings; each
// daemon leaves no descriptor behind, and a signal after the last one is
// harmless.
TEST_F(DaemonAppTest, AStopSignalDuringTheStartupCheckEndsInOrderAndLeavesNothingOpen) {
  const auto descriptors = [] {
    return std::ranges::distance(std::filesystem::directory_iterator("/proc/self/fd"));
  };
  const std::string runs = dir.File("runs");
  const std::string xml = ObservationFile("<Command Wait=\"0\" Terminate=\"1\">sh -c 'touch " +
                                          runs + "; exec sleep 30'</Command>");
  std::ofstream(dir.File("in/a.txt")) << "x";
  auto before = descriptors();
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (std::filesystem::remove(runs)) std::raise(SIGTERM);
  });
  stopper.start(20);
  for (int round = 0; round < 3; ++round) {
    Store().clear();
    view.items.clear();
    Start({"/XML", xml, "/runnow", "/NIC"});
    EXPECT_EQ(QCoreApplication::exec(), ExitCode::Ok);
    EXPECT_TRUE(Logged("was terminated after"));
    EXPECT_FALSE(Logged("ended in time"));
    EXPECT_EQ(Store().value("App.Language").toString(), "english.lng");
    app.reset();
    if (round == 0) before = descriptors();  // Qt opens some of its own once
  }
  stopper.stop();
  EXPECT_EQ(descriptors(), before);
  std::raise(SIGTERM);
}

TEST_F(DaemonAppTest, APauseDuringATickHoldsAfterIt) {
  const std::string xml = ObservationFile("<Command Wait=\"0\">sleep 0.3</Command>");
  std::ofstream(dir.File("in/a.txt")) << "x";
  Start({"/XML", xml});
  // Runs while the tick waits for the command.
  QTimer::singleShot(0, [this] { app->ProcessCommand("pause"); });
  app->controller().OnTick();  // not due yet: counts a tick
  app->controller().OnTick();  // due: runs the command and waits for it
  EXPECT_TRUE(Logged("Pausing on user request..."));
  EXPECT_TRUE(Logged("found 1 files"));
  EXPECT_FALSE(app->controller().IsRunning());
}

// The check at the end of start-up stays silent unless a newer version
// exists; then it asks, naming the download location.
TEST_F(DaemonAppTest, StartupUpdateCheckSpeaksOnlyOfANewerVersion) {
  LoopbackHttpServer server;
  ::setenv("CORVANE_UPDATE_URL", server.Url("/").c_str(), 1);
  const std::string xml = ObservationFile("<Command>true</Command>");
  for (const std::string& version : {std::string(kVersionText), std::string("99.0.0")}) {
    server.Serve(kVersionFilePath,
                 "Current Version=" + version + "\r\nDownload=http://127.0.0.1:9/corvane.zip\r\n");
    Start({"/XML", xml, "/NIC"});
    const std::size_t lines = view.items.size();
    const std::size_t requests = server.requests().size();
    // The check runs within the event loop and is over once a turn of the
    // loop that made the request has returned.
    const QDeadlineTimer deadline(20000);
    while (server.requests().size() == requests && !deadline.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_GT(server.requests().size(), requests) << version;
    if (version == kVersionText) {
      EXPECT_TRUE(boxes.boxes.empty());
      EXPECT_EQ(view.items.size(), lines);
    } else {
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_NE(boxes.boxes[0].text.find("http://127.0.0.1:9/corvane.zip"), std::string::npos);
    }
  }
  ::unsetenv("CORVANE_UPDATE_URL");
}

}  // namespace
}  // namespace corvane::test
