#include "update/update_check.h"

#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "loopback_http_server.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"
#include "update/update_url.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

std::string Info(const std::string& text) { return "   Info ] " + text; }
const std::string kFailed = "  Error ] Error while checking for updates.";
const std::string kNewest = Info("No update found. You have the newest version.");
const std::string kNoUpdate = Info("No update found.");

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

  UpdateCheckOptions Options(const std::string& serverUrl = {}) {
    UpdateCheckOptions options;
    options.sServerUrl = serverUrl.empty() ? server.Url("/") : serverUrl;
    options.timeLimit = 5s;
    options.sTempFile = tempFile;
    options.ownVersion = {1, 0, 2};
    options.openLocation = [this](const std::string& location) {
      opened.push_back(location);
      return false;
    };
    return options;
  }
  UpdateResult Check(bool bVerbose, const UpdateCheckOptions& options) {
    core.view.items.clear();
    core.boxes.boxes.clear();
    return UpdateChecker(core.log, core.boxes, options).CheckForUpdate(bVerbose);
  }
  UpdateResult Check(bool bVerbose) { return Check(bVerbose, Options()); }
  void ServeVersionFile(const std::string& content) { server.Serve(kVersionFilePath, content); }

  test::TempDir dir;
  const std::string tempFile = dir.File("VTemp.txt");
  test::LoopbackHttpServer server;
  struct : test::LoggingCore {
    test::RecordingMessageBoxes boxes;
  } core;
  std::vector<std::string> opened;
};

TEST_F(UpdateCheckTest, EachVersionFileGivesItsOutcomeAndOnlyTheVerboseCheckLogs) {
  const auto file = [](const std::string& version, const std::string& more = "") {
    return "Current Version=" + version + "\r\n" + more + "Download=http://127.0.0.1:9/s.zip\r\n";
  };
  using enum UpdateResult;
  const std::tuple<std::string, UpdateResult, Lines> cases[] = {
      {file("1.0.2", "Message=Hi\r\n"), NoNewer, {kNewest}},
      {file("1.0.3"), Newer, {}},
      {file("1.0.3", "Message=Fresh!\x1b[2J\r\n"), Newer, {Info("Fresh!\\x1b[2J")}},
      {file("1.0.3", "Error=1\r\nMessage=m\r\n"), Newer, {kNoUpdate}},
      {file("1.0.2", "Error=1\r\nMessage=m\r\n"), NoNewer, {kNoUpdate, kNewest}},
      {file("1.0.2", "Error=1\r\n"), NoNewer, {kNewest}},
      {file("1.0.3", "Error=2\r\nMessage=m\r\n"), Newer, {Info("A new beta version was found.")}},
      {file("1.0.3", "Error=2\r\n"), Newer, {}},
      {file("1.0.2", "Error=2\r\nMessage=m\r\n"), NoNewer, {kNewest}},
      {file("1.0.3", "Error=7\r\nMessage=m\r\n"), Newer, {}},
      {file("1.0.3", "Error=beta\r\nMessage=m\r\n"), Newer, {Info("m")}},
      {"\uFEFFCurrent Version=1.0.3\nMessage=m\nDownload=d\n", Newer, {Info("m")}},
      {file("1.0.2", "Current Version=9.0.0\r\n"), Newer, {}},  // the later line wins
      {"Download=d\r\n", Failed, {kFailed}},
      {"Current Version=1.0.3\r\nMessage=m\r\n", Failed, {kFailed}},
      {file("1.3"), Failed, {kFailed}},
      {file("1.0.3beta"), Failed, {kFailed}},
      {"", Failed, {kFailed}},
  };
  for (const auto& [versionFile, result, verboseLog] : cases) {
    ServeVersionFile(versionFile);
    for (const bool bVerbose : {true, false}) {
      SCOPED_TRACE(versionFile + (bVerbose ? " verbose" : ""));
      EXPECT_EQ(Check(bVerbose), result);
      EXPECT_EQ(core.Lines(), bVerbose ? verboseLog : Lines{});
      EXPECT_EQ(core.boxes.boxes.size(), result == Newer ? 1u : 0u);
    }
  }
  EXPECT_TRUE(opened.empty());
}

// The console asks while the start-up check still waits for the server.
TEST_F(UpdateCheckTest, ACheckAskedForDuringAnotherJoinsItAndGetsItsAnswer) {
  ServeVersionFile("Current Version=1.0.2\r\nDownload=d\r\n");
  UpdateChecker checker(core.log, core.boxes, Options());
  std::vector<UpdateResult> joined;
  QTimer::singleShot(0, [&] { joined.push_back(checker.CheckForUpdate(true)); });
  EXPECT_EQ(checker.CheckForUpdate(false), UpdateResult::NoNewer);
  EXPECT_EQ(joined, std::vector{UpdateResult::Joined});
  EXPECT_EQ(core.Lines(), Lines{kNewest});
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(UpdateCheckTest, EveryServerFaultIsAFailedCheckThatOnlyTheVerboseCheckReports) {
  const std::string loop = "/loop" + std::string(kVersionFilePath);
  server.ServeRaw("/gone" + std::string(kVersionFilePath),
                  "HTTP/1.1 404 Not Found\r\nContent-Length: 36\r\n\r\n"
                  "Current Version=9.9.9\r\nDownload=d\r\n");
  server.ServeRaw(loop, "HTTP/1.1 302 Found\r\nLocation: " + server.Url(loop) +
                            "\r\nContent-Length: 0\r\n\r\n");
  server.Stall("/silent" + std::string(kVersionFilePath));
  server.Stream("/huge" + std::string(kVersionFilePath), 100ull * 1024 * 1024);
  ::unsetenv("CORVANE_UPDATE_URL");

  for (const std::string& address :
       {server.Url("/gone/"), server.Url("/loop/"), server.Url("/silent/"), server.Url("/huge/"),
        test::RefusingUrl("/"), std::string()}) {
    UpdateCheckOptions options = Options();
    options.sServerUrl = address;  // empty: no server configured
    options.timeLimit = 300ms;
    for (const bool bVerbose : {true, false}) {
      EXPECT_EQ(Check(bVerbose, options), UpdateResult::Failed) << address;
      EXPECT_EQ(core.Lines(), bVerbose ? Lines{kFailed} : Lines{}) << address;
      EXPECT_TRUE(core.boxes.boxes.empty()) << address;
    }
  }
  // The redirect loop was followed for a while, then given up; of the huge
  // body only what the socket buffers held when the reading stopped left.
  EXPECT_GT(std::count(server.requests().begin(), server.requests().end(), loop), 4);
  EXPECT_LT(server.streamedBytes(), 25u * 1024 * 1024);
}

TEST_F(UpdateCheckTest, YesOpensTheDownloadLocationAndAsksToCloseEvenAtTheHighestLogLevel) {
  ServeVersionFile("Current Version=2.00.0\r\nDownload=http://127.0.0.1:9/\x1b[2J.zip\r\n");
  core.state.iLogLevel = LogLevel::Error;
  core.state.sLogFile = dir.File("corvane.log");
  core.boxes.answer = true;
  UpdateCheckOptions options = Options();
  options.bQuestionNamesLocation = true;
  EXPECT_EQ(Check(false, options), UpdateResult::Newer);
  ASSERT_EQ(core.boxes.boxes.size(), 1u);
  EXPECT_EQ(core.boxes.boxes[0].text,  // the version as written, the location escaped
            "There is a new version avaliable: 2.00.0\r\nDo you wish to download this version?"
            "\r\nDownload: http://127.0.0.1:9/\\x1b[2J.zip");
  EXPECT_EQ(opened, Lines{"http://127.0.0.1:9/\x1b[2J.zip"});
  EXPECT_EQ(core.Lines(), Lines{"Please close the Corvane to apply the update."});
  EXPECT_FALSE(core.view.items[0].bold);
  EXPECT_FALSE(std::filesystem::exists(core.state.sLogFile)) << "raw lines never reach the file";
}

TEST_F(UpdateCheckTest, TheCacheFileGoesAfterAComparisonAndStaysAfterAnUnusableAnswer) {
  ServeVersionFile("Current Version=1.0.2\r\nDownload=d\r\n");
  EXPECT_EQ(Check(true), UpdateResult::NoNewer);
  EXPECT_FALSE(std::filesystem::exists(tempFile));
  ServeVersionFile("Download=d\r\n");
  EXPECT_EQ(Check(true), UpdateResult::Failed);
  EXPECT_EQ(test::ReadFile(tempFile), "Download=d\r\n");
  // A failed download empties what an earlier check left.
  EXPECT_EQ(Check(true, Options(test::RefusingUrl("/"))), UpdateResult::Failed);
  EXPECT_EQ(test::ReadFile(tempFile), "");

  // By default the file lives in the per-user cache directory.
  const char* cache = std::getenv("XDG_CACHE_HOME");
  ASSERT_NE(cache, nullptr);
  UpdateCheckOptions options = Options();
  options.sTempFile.clear();
  const std::string file = UpdateChecker(core.log, core.boxes, options).TempFile();
  EXPECT_TRUE(file.starts_with(std::string(cache) + "/")) << file;
  EXPECT_TRUE(file.ends_with("/VTemp.txt")) << file;
  EXPECT_EQ(Check(false, options), UpdateResult::Failed);
  EXPECT_EQ(test::ReadFile(file), "Download=d\r\n");
}

}  // namespace
}  // namespace corvane
