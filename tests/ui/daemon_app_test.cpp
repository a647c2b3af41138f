#include "ui/daemon_app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "support/recording_hosts.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class DaemonAppTest : public ::testing::Test {
 protected:
  // Runs start-up and the event loop until the daemon ends it.
  int Run(std::vector<std::string> args) {
    app = std::make_unique<DaemonApp>(view, desktop, boxes, CommandLine(std::move(args)));
    app->Form_Load();
    return QCoreApplication::exec();
  }

  test::TempDir dir;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  test::RecordingMessageBoxes boxes;
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

TEST_F(DaemonAppTest, ExistingObservationFileIsNotPretendedToBeWatched) {
  const std::string xml = dir.Write("points.xml", "<Corvane/>");
  EXPECT_EQ(Run({"/XML", xml, "/Log", dir.File("log.txt")}), ExitCode::NotAvailable);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("not available"), std::string::npos);
  EXPECT_EQ(app->state().sLogFile, dir.File("log.txt"));
  EXPECT_EQ(app->state().sDaemonName, "Corvane");
}

}  // namespace
}  // namespace corvane
