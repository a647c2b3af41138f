#include "update/update_check.h"

#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "lang/language.h"
#include "loopback_http_server.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"
#include "update/update_url.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

class FixedClock final : public Clock {
 public:
  QDateTime Now() const override { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); }
};

std::string Info(const std::string& text) { return "[2026-01-02 03:04:05    Info ] " + text; }
std::string Error(const std::string& text) { return "[2026-01-02 03:04:05   Error ] " + text; }

const std::string kFailed = Error("Error while checking for updates.");
const std::string kNewest = Info("No update found. You have the newest version.");
const std::string kNoUpdate = Info("No update found.");
const std::string kBeta = Info("A new beta version was found.");

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    state.iLogLevel = LogLevel::Debug;
  }

  UpdateCheckOptions Options() {
    UpdateCheckOptions options;
    options.sServerUrl = server.Url("/");
    options.timeLimit = 5s;
    options.sTempFile = tempFile;
    options.ownVersion = {1, 0, 2};
    options.openLocation = [this](const std::string& location) {
      opened.push_back(location);
      return false;
    };
    return options;
  }

  UpdateResult Check(bool bVerbose) {
    return UpdateChecker(log, boxes, Options()).CheckForUpdate(bVerbose);
  }

  void ServeVersionFile(const std::string& content) { server.Serve(kVersionFilePath, content); }

  void Reset() {
    view.items.clear();
    boxes.boxes.clear();
    opened.clear();
  }

  std::vector<std::string> Questions() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }

  test::TempDir dir;
  const std::string tempFile = dir.File("VTemp.txt");
  test::LoopbackHttpServer server;
  DaemonState state;
  Language language;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  FixedClock clock;
  Log log{state, language, view, desktop, clock};
  test::RecordingMessageBoxes boxes;
  std::vector<std::string> opened;
};

struct OutcomeCase {
  const char* name;
  std::string versionFile;
  UpdateResult result;
  std::vector<std::string> verboseLog;  // the start-up check logs nothing at all
};

TEST_F(UpdateCheckTest, EachVersionFileGivesItsOutcome) {
  const std::string download = "Download=http://127.0.0.1:9/corvane_setup.zip\r\n";
  const std::vector<OutcomeCase> cases = {
      {"same version", "Current Version=1.0.2\r\n" + download, UpdateResult::NoNewer, {kNewest}},
      {"older", "Current Version=0.9.9\r\n" + download, UpdateResult::NoNewer, {kNewest}},
      {"message, not newer",
       "Current Version=1.0.2\r\nMessage=Hi\r\n" + download,
       UpdateResult::NoNewer,
       {kNewest}},
      {"newer", "Current Version=1.0.3\r\n" + download, UpdateResult::Newer, {}},
      {"newer with message",
       "Current Version=1.0.3\r\nMessage=Fresh release!\r\n" + download,
       UpdateResult::Newer,
       {Info("Fresh release!")}},
      {"error 1, newer",
       "Error=1\r\nCurrent Version=1.0.3\r\nMessage=m\r\n" + download,
       UpdateResult::Newer,
       {kNoUpdate}},
      {"error 1, not newer",
       "Error=1\r\nCurrent Version=1.0.2\r\nMessage=m\r\n" + download,
       UpdateResult::NoNewer,
       {kNoUpdate, kNewest}},
      {"error 1 without message",
       "Error=1\r\nCurrent Version=1.0.2\r\n" + download,
       UpdateResult::NoNewer,
       {kNewest}},
      {"beta",
       "Error=2\r\nCurrent Version=1.0.3\r\nMessage=m\r\n" + download,
       UpdateResult::Newer,
       {kBeta}},
      {"beta without message",
       "Error=2\r\nCurrent Version=1.0.3\r\n" + download,
       UpdateResult::Newer,
       {}},
      {"beta, not newer",
       "Error=2\r\nCurrent Version=1.0.2\r\nMessage=m\r\n" + download,
       UpdateResult::NoNewer,
       {kNewest}},
      {"other error code",
       "Error=7\r\nCurrent Version=1.0.3\r\nMessage=m\r\n" + download,
       UpdateResult::Newer,
       {}},
      {"error not a number",
       "Error=beta\r\nCurrent Version=1.0.3\r\nMessage=m\r\n" + download,
       UpdateResult::Newer,
       {Info("m")}},
      {"BOM and LF",
       "\xEF\xBB\xBF"
       "Current Version=1.0.3\nMessage=m\nDownload=d\n",
       UpdateResult::Newer,
       {Info("m")}},
      {"keys twice",
       "Current Version=9.0.0\r\nCurrent Version=1.0.2\r\n" + download,
       UpdateResult::NoNewer,
       {kNewest}},
      {"no version", download, UpdateResult::Failed, {kFailed}},
      {"no download", "Current Version=1.0.3\r\nMessage=m\r\n", UpdateResult::Failed, {kFailed}},
      {"one dot", "Current Version=1.3\r\n" + download, UpdateResult::Failed, {kFailed}},
      {"not numbers", "Current Version=1.0.3beta\r\n" + download, UpdateResult::Failed, {kFailed}},
      {"empty file", "", UpdateResult::Failed, {kFailed}},
  };
  for (const OutcomeCase& c : cases) {
    ServeVersionFile(c.versionFile);
    for (const bool bVerbose : {true, false}) {
      Reset();
      EXPECT_EQ(Check(bVerbose), c.result) << c.name << ", verbose " << bVerbose;
      EXPECT_EQ(view.Texts(), bVerbose ? c.verboseLog : std::vector<std::string>{})
          << c.name << ", verbose " << bVerbose;
      EXPECT_EQ(boxes.boxes.size(), c.result == UpdateResult::Newer ? 1u : 0u)
          << c.name << ", verbose " << bVerbose;
      EXPECT_TRUE(opened.empty()) << c.name;
    }
  }
}

TEST_F(UpdateCheckTest, EveryServerFaultIsAFailedCheckThatOnlyTheVerboseCheckReports) {
  server.ServeRaw("/gone/download/corvane_setup.zip.ver",
                  "HTTP/1.1 404 Not Found\r\nContent-Length: 45\r\nConnection: close\r\n\r\n"
                  "Current Version=9.9.9\r\nDownload=http://x/y\r\n");
  server.ServeRaw("/broken/download/corvane_setup.zip.ver",
                  "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n");
  server.RedirectLoop("/loop/download/corvane_setup.zip.ver");
  server.Stall("/silent/download/corvane_setup.zip.ver");
  server.Stream("/huge/download/corvane_setup.zip.ver", 100ull * 1024 * 1024, false);

  for (const std::string& address :
       {server.Url("/gone/"), server.Url("/broken/"), server.Url("/loop/"), server.Url("/silent/"),
        server.Url("/huge/"), test::RefusingUrl("/"), std::string("ftp://127.0.0.1/"),
        std::string("file:///etc/")}) {
    for (const bool bVerbose : {true, false}) {
      Reset();
      UpdateCheckOptions options = Options();
      options.sServerUrl = address;
      options.timeLimit = 300ms;
      EXPECT_EQ(UpdateChecker(log, boxes, options).CheckForUpdate(bVerbose), UpdateResult::Failed)
          << address;
      EXPECT_EQ(view.Texts(),
                bVerbose ? std::vector<std::string>{kFailed} : std::vector<std::string>{})
          << address << ", verbose " << bVerbose;
      EXPECT_TRUE(boxes.boxes.empty()) << address;
    }
  }
  // The redirect loop was followed for a while, then given up.
  EXPECT_GT(std::count(server.requests().begin(), server.requests().end(),
                       "/loop/download/corvane_setup.zip.ver"),
            4);
}

TEST_F(UpdateCheckTest, WithoutAConfiguredServerTheCheckFails) {
  ::unsetenv("CORVANE_UPDATE_URL");
  UpdateCheckOptions options = Options();
  options.sServerUrl.clear();
  UpdateChecker checker(log, boxes, options);

  EXPECT_EQ(checker.CheckForUpdate(false), UpdateResult::Failed);
  EXPECT_TRUE(view.items.empty());
  EXPECT_EQ(checker.CheckForUpdate(true), UpdateResult::Failed);
  EXPECT_EQ(view.Texts(), std::vector<std::string>{kFailed});
  EXPECT_FALSE(std::filesystem::exists(tempFile));
}

TEST_F(UpdateCheckTest, TheEnvironmentNamesTheServerAndThePathIsAppended) {
  ServeVersionFile("Current Version=1.0.2\r\nDownload=d\r\n");
  ::setenv("CORVANE_UPDATE_URL", server.Url("").c_str(), 1);
  UpdateCheckOptions options = Options();
  options.sServerUrl.clear();

  EXPECT_EQ(UpdateChecker(log, boxes, options).CheckForUpdate(true), UpdateResult::NoNewer);
  EXPECT_EQ(server.requests(), std::vector<std::string>{kVersionFilePath});
  ::unsetenv("CORVANE_UPDATE_URL");
}

TEST_F(UpdateCheckTest, TheQuestionShowsTheVersionAsWrittenAndInConsoleModeTheLocation) {
  ServeVersionFile("Current Version=1.01.003\r\nDownload=http://127.0.0.1:9/setup.zip\r\n");
  const std::string question =
      "There is a new version avaliable: 1.01.003\r\nDo you wish to download this version?";
  EXPECT_EQ(Check(false), UpdateResult::Newer);
  UpdateCheckOptions console = Options();
  console.bQuestionNamesLocation = true;
  EXPECT_EQ(UpdateChecker(log, boxes, console).CheckForUpdate(false), UpdateResult::Newer);

  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].title, "Corvane");
  EXPECT_EQ(Questions(), (std::vector<std::string>{
                             question, question + "\r\nDownload: http://127.0.0.1:9/setup.zip"}));
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(view.items.empty());
}

TEST_F(UpdateCheckTest, YesOpensTheDownloadLocationAndAsksToCloseEvenAtTheHighestLogLevel) {
  ServeVersionFile("Current Version=2.0.0\r\nDownload=http://127.0.0.1:9/setup.zip\r\n");
  state.iLogLevel = LogLevel::Error;
  state.sLogFile = dir.File("corvane.log");
  boxes.answer = true;

  EXPECT_EQ(Check(false), UpdateResult::Newer);

  EXPECT_EQ(opened, std::vector<std::string>{"http://127.0.0.1:9/setup.zip"});
  ASSERT_EQ(view.items.size(), 1u);
  EXPECT_EQ(view.items[0].text, "Please close the Corvane to apply the update.");
  EXPECT_FALSE(view.items[0].bold);
  EXPECT_FALSE(std::filesystem::exists(state.sLogFile)) << "raw lines never reach the log file";
}

TEST_F(UpdateCheckTest, TheTempFileGoesAfterAComparisonAndStaysAfterAnUnusableAnswer) {
  ServeVersionFile("Current Version=1.0.2\r\nDownload=d\r\n");
  EXPECT_EQ(Check(true), UpdateResult::NoNewer);
  EXPECT_FALSE(std::filesystem::exists(tempFile));

  ServeVersionFile("Download=d\r\n");
  EXPECT_EQ(Check(true), UpdateResult::Failed);
  EXPECT_EQ(test::ReadFile(tempFile), "Download=d\r\n");

  // A failed download empties what an earlier check left, so an old answer
  // can never pass for a new one.
  dir.Write("VTemp.txt", "Current Version=9.9.9\r\nDownload=http://127.0.0.1:9/old.zip\r\n");
  UpdateCheckOptions options = Options();
  options.sServerUrl = test::RefusingUrl("/");
  Reset();
  EXPECT_EQ(UpdateChecker(log, boxes, options).CheckForUpdate(true), UpdateResult::Failed);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(test::ReadFile(tempFile), "");
}

TEST_F(UpdateCheckTest, TheTempFileLivesInThePerUserCacheDirectory) {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  ASSERT_NE(cache, nullptr);
  UpdateCheckOptions options = Options();
  options.sTempFile.clear();
  UpdateChecker checker(log, boxes, options);

  const std::string file = checker.TempFile();
  EXPECT_EQ(file.rfind(std::string(cache) + "/", 0), 0u) << file;
  EXPECT_TRUE(file.ends_with("/VTemp.txt")) << file;

  ServeVersionFile("Download=d\r\n");
  EXPECT_EQ(checker.CheckForUpdate(false), UpdateResult::Failed);
  EXPECT_EQ(test::ReadFile(file), "Download=d\r\n");
}

TEST_F(UpdateCheckTest, ACheckStartedDuringAnotherFindsTheTransferBusy) {
  server.Stall(kVersionFilePath);
  UpdateCheckOptions options = Options();
  options.timeLimit = 500ms;
  UpdateChecker checker(log, boxes, options);
  UpdateResult inner = UpdateResult::NoNewer;
  QTimer::singleShot(50ms, [&] { inner = checker.CheckForUpdate(true); });

  EXPECT_EQ(checker.CheckForUpdate(false), UpdateResult::Failed);
  EXPECT_EQ(inner, UpdateResult::Failed);
  EXPECT_EQ(view.Texts(), std::vector<std::string>{kFailed});
  EXPECT_EQ(server.requests().size(), 1u);
}

}  // namespace
}  // namespace corvane
