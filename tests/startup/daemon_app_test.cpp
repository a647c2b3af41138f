#include "startup/daemon_app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "core/settings_store.h"
#include "loopback_http_server.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "update/update_url.h"

namespace corvane::test {
namespace {

QSettings Store() { return OpenSettingsStore(); }

// The daemon as console mode makes it; the view and the message boxes
// recorded.
class DaemonAppTest : public ::testing::Test {
 protected:
  DaemonAppTest() { Store().clear(); }

  void Start(std::vector<std::string> args) {
    app = std::make_unique<DaemonApp>(CommandLineSwitches(std::move(args)), clock);
    view.Record(app->controller());
    QObject::connect(
        &app->controller(), &DaemonController::MessageRequested,
        [this](const std::string& title, const std::string& text, MessageIcon icon) {
          boxes.push_back(title + "|" + text + "|" + std::to_string(static_cast<int>(icon)));
        });
    app->Start();
  }
  std::string ObservationFile(const std::string& command) {
    std::filesystem::create_directories(dir.File("in"));
    return dir.Write(
        "points.xml",
        ObservationXml("Files", {PointXml(dir.File("in"), 1, command + kNotExclusive)}));
  }
  TempDir dir;
  FixedClock clock;
  RecordingView view;
  std::vector<std::string> boxes;
  std::unique_ptr<DaemonApp> app;
};

// Exit codes and the banner's text are the end-to-end tests'.
TEST_F(DaemonAppTest, AUselessObservationFileShowsItsBoxAfterTheBannerAndSavesTheSettings) {
  Store().setValue("Log.Level", "2");
  const std::string useless = dir.Write("useless.xml", "<Corvane><Observation/></Corvane>");
  Start({"/XML", useless});
  EXPECT_EQ(QCoreApplication::exec(), exit_code::kFatalStartupError);
  EXPECT_EQ(boxes,
            std::vector<std::string>{"Corvane|The XML file " + useless +
                                     " did not contain any useful information or had errors!\r\n"
                                     "Please correct this. The Corvane will quit now.|" +
                                     std::to_string(static_cast<int>(MessageIcon::Stop))});
  ASSERT_FALSE(view.items.empty());
  EXPECT_TRUE(view.items[0].bold);  // the banner
  EXPECT_EQ(Store().value("Log.Level").toString(), "2");
  EXPECT_EQ(Store().value("App.Language").toString(), "english.lng");
}

// Defaults written back over what could not be read would throw away what
// the user had there: a stored value or a whole file that cannot be read
// stops start-up, named, and stays as it was.
TEST_F(DaemonAppTest, SettingsThatCannotBeReadStopStartupAndStayAsTheyWere) {
  const std::string file = Store().fileName().toStdString();
  for (const bool wholeFile : {false, true}) {
    boxes.clear();
    Store().setValue("Log.Level", "loud");
    if (wholeFile && std::filesystem::remove(file)) {
      std::filesystem::create_directory(file);  // root reads a file of mode 000 all the same
    }
    Start({"/XML", ObservationFile("<Command>true</Command>")});
    EXPECT_EQ(QCoreApplication::exec(), exit_code::kFatalStartupError);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(wholeFile ? file + " cannot be read" : "Log.Level"), std::string::npos);
    EXPECT_NE(boxes[0].find(file), std::string::npos);
    EXPECT_TRUE(wholeFile || Store().value("Log.Level").toString() == "loud");
  }
  std::filesystem::remove(file);
}

TEST_F(DaemonAppTest, APauseDuringATickHoldsAfterIt) {
  const std::string xml = ObservationFile("<Command Wait=\"0\">sleep 0.3</Command>");
  std::ofstream(dir.File("in/a.txt")) << "x";
  Start({"/XML", xml});
  // Runs while the tick waits for the command.
  QTimer::singleShot(0, [this] { app->ProcessCommand("pause"); });
  app->controller().OnTick();  // not due yet: counts a tick
  app->controller().OnTick();  // due: runs the command and waits for it
  EXPECT_TRUE(view.Logged("Pausing on user request..."));
  EXPECT_TRUE(view.Logged("found 1 files"));
  EXPECT_FALSE(app->controller().IsRunning());
}

// The check at the end of start-up offers a newer version; that it stays
// silent otherwise is the update tests'.
TEST_F(DaemonAppTest, StartupChecksForAnUpdate) {
  LoopbackHttpServer server;
  ::setenv("CORVANE_UPDATE_URL", server.Url("/").c_str(), 1);
  server.Serve(kVersionFilePath, "Current Version=99.0.0\r\nDownload=http://127.0.0.1:9/c.zip\r\n");
  Start({"/XML", ObservationFile("<Command>true</Command>"), "/NIC"});
  std::vector<std::string> offered;
  QObject::connect(&app->updater(), &UpdateChecker::Offered,
                   [&](const UpdateOffer& offer) { offered.push_back(offer.location); });
  EXPECT_TRUE(Eventually([&] { return !offered.empty(); }));
  EXPECT_EQ(offered, std::vector<std::string>{"http://127.0.0.1:9/c.zip"});
  ::unsetenv("CORVANE_UPDATE_URL");
}

TEST(CommandLineSwitches, ValuesKeepTheirCaseAndTheFirstOccurrenceWins) {
  struct Case {
    std::vector<std::string> args;
    const char* sw;
    std::string expected;
  };
  for (const Case& c :
       std::vector<Case>{{{"/xMl", "/Data/P.xml"}, "/XML", "/Data/P.xml"},
                         {{"--xml", "a.xml"}, "/XML", "a.xml"},
                         {{"--XML=a b.xml"}, "/XML", "a b.xml"},
                         {{"/Name", "Hot", "Folder", "/NIC"}, "/Name", "Hot Folder"},
                         {{"/Log", "one", "/LOG", "two"}, "/Log", "one"},
                         {{"/pause"}, "/XML", "dflt"},
                         {{"/XML", "/XML", "x"}, "/XML", "dflt"}}) {
    EXPECT_EQ(CommandLineSwitches(c.args).Value(c.sw, "dflt"), c.expected) << c.args[0];
  }
}

TEST(CommandLineSwitches, FlagsAndUnknownArguments) {
  const CommandLineSwitches cmd({"stray", "/RUNNOW", "extra", "--nic", "--pause=1", "/pausefoo"});
  EXPECT_TRUE(cmd.IsSet("/runnow"));
  EXPECT_TRUE(cmd.IsSet("/NIC"));
  EXPECT_FALSE(cmd.IsSet("/pause"));
  EXPECT_EQ(cmd.UnknownArguments(),
            (std::vector<std::string>{"stray", "extra", "--pause=1", "/pausefoo"}));
}

}  // namespace
}  // namespace corvane::test
