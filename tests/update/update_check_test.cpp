#include "update/update_check.h"

#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/version.h"
#include "loopback_http_server.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"
#include "update/update_url.h"
#include "update/version_file.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

std::string Info(const std::string& text) { return "   Info ] " + text; }
const std::string kFailed = "  Error ] Error while checking for updates.";
const std::string kNewest = Info("No update found. You have the newest version.");
const std::string kNext = std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
                          "." + std::to_string(kVersionRevision + 1);

// A version file naming `version`, with `more` keys before the download location.
std::string File(const std::string& version, const std::string& more = "") {
  return "Current Version=" + version + "\r\n" + more + "Download=http://127.0.0.1:9/s.zip\r\n";
}

class UpdateTest : public ::testing::Test {
 protected:
  // Never through a proxy that the machine's environment may name.
  void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

  // An empty address: no server configured.
  UpdateCheckOptions Options(const std::string& serverUrl) {
    return {.serverUrl = serverUrl,
            .tempFile = tempFile,
            .openLocation = [this](const std::string& at) { return opened.push_back(at), false; }};
  }
  UpdateResult Check(bool verbose, const std::string& serverUrl) {
    core.view.items.clear();
    offers.clear();
    UpdateChecker checker(core.log, Options(serverUrl));
    QObject::connect(&checker, &UpdateChecker::Offered, [&](const UpdateOffer& offer) {
      offers.push_back(offer);
      if (answer) checker.Accept(offer);
    });
    return checker.CheckForUpdate(verbose);
  }

  test::TempDir dir;
  const std::string tempFile = dir.File("VTemp.txt");
  test::LoopbackHttpServer server;
  test::LoggingCore core;
  std::vector<UpdateOffer> offers;
  bool answer = false;  // to the offer
  std::vector<std::string> opened;
};

// Bodies of any bytes come whole; the limit is the body's, with or without
// a declared length; a fetch that timed out leaves the fetcher usable.
TEST_F(UpdateTest, FetchReturnsTheBodyByteForByteUpTo64KB) {
  const std::string full = "\xEF\xBB\xBF\x01\xFF" + std::string(kMaxFetchBytes - 5, 'v');
  server.responses["/silent"] = "";
  server.responses["/hop"] = "HTTP/1.1 302 Found\r\nLocation: " + server.Url("/declared") +
                             "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  server.Serve("/declared", full);
  server.Serve("/declared-over", full + "v");
  server.responses["/until-close-over"] =
      "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + full + "v";
  HttpFetcher fetcher(1s);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(fetcher.Fetch(server.Url("/silent")).ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kFetchTimeLimit) << "not the default limit";
  for (const char* path : {"/hop", "/declared-over", "/until-close-over"}) {
    const FetchResult result = fetcher.Fetch(server.Url(path));
    EXPECT_EQ(result.ok, path == std::string("/hop")) << path << ": " << result.errorText;
    EXPECT_EQ(result.body, result.ok ? full : "") << path;
  }
}

// Each check meets a newer version file that an earlier check left behind:
// only what the server answers now counts, and a fault is a failed check.
TEST_F(UpdateTest, EachVersionFileOrServerFaultGivesItsOutcomeAndOnlyTheVerboseCheckLogs) {
  const std::string own = kVersionText, path = kVersionFilePath, at = server.Url("/");
  // Keys count only at a line start, spelt exactly; a BOM only at the start.
  const std::string hidden = " Current Version=" + kNext + "\r\ncurrent version=" + kNext +
                             "\r\nDownload=d\r\n\uFEFFCurrent Version=" + kNext + "\r\n";
  server.responses["/gone" + path] =
      "HTTP/1.1 404 Not Found\r\nConnection: close\r\n\r\n" + File(kNext);
  server.responses["/loop" + path] =
      "HTTP/1.1 302 Found\r\nLocation: " + server.Url("/loop" + path) +
      "\r\nContent-Length: 0\r\n\r\n";
  ::unsetenv("CORVANE_UPDATE_URL");
  using enum UpdateResult;
  const std::tuple<std::string, std::string, UpdateResult, Lines> cases[] = {
      {at, File(own, "Message=Hi\r\n"), NoNewer, {kNewest}},
      {at, File(kNext, "Message=Fresh!\x1b[2J\r\n"), Newer, {Info("Fresh!\\x1b[2J")}},
      {at, File(own) + "Current Version=" + kNext + "\r\n", Newer, {}},  // the later line wins
      {at, "\uFEFFCurrent Version=" + kNext + "\nMessage=m\nDownload=d\n", Newer, {Info("m")}},
      {at, hidden, Failed, {kFailed}},
      {at, "Download=d\r\n", Failed, {kFailed}},
      {at, "Current Version=" + kNext + "\r\nMessage=m\r\n", Failed, {kFailed}},
      {server.Url("/gone/"), "", Failed, {kFailed}},
      {server.Url("/loop/"), "", Failed, {kFailed}},
      {"", "", Failed, {kFailed}},  // no server
  };
  for (const auto& [address, versionFile, result, verboseLog] : cases) {
    server.Serve(path, versionFile);
    for (const bool verbose : {true, false}) {
      SCOPED_TRACE(address + " " + versionFile + (verbose ? " verbose" : ""));
      std::ofstream(tempFile) << File(kNext);
      EXPECT_EQ(Check(verbose, address), result);
      EXPECT_EQ(core.Lines(), verbose ? verboseLog : Lines{});
      EXPECT_EQ(offers.size(), result == Newer ? 1u : 0u);
      EXPECT_TRUE(result == Failed || !std::filesystem::exists(tempFile)) << "kept after use";
    }
  }
  EXPECT_TRUE(opened.empty());
  EXPECT_GT(std::count(server.requests.begin(), server.requests.end(), "/loop" + path), 4);
}

// The console asks while the start-up check still waits for the server.
TEST_F(UpdateTest, ACheckAskedForDuringAnotherJoinsItAndGetsItsAnswer) {
  server.Serve(kVersionFilePath, File(kVersionText));
  UpdateChecker checker(core.log, Options(server.Url("/")));
  std::vector<UpdateResult> joined;
  QTimer::singleShot(0, [&] { joined.push_back(checker.CheckForUpdate(true)); });
  EXPECT_EQ(checker.CheckForUpdate(false), UpdateResult::NoNewer);
  EXPECT_EQ(joined, std::vector{UpdateResult::Joined});
  EXPECT_EQ(core.Lines(), Lines{kNewest});
  EXPECT_EQ(server.requests.size(), 1u);
}

// Nobody can click a link in console mode: the question names the location.
TEST_F(UpdateTest, YesOpensTheDownloadLocationAndAsksToCloseEvenAtTheHighestLogLevel) {
  const std::string major = std::to_string(kVersionMajor + 1);
  server.Serve(kVersionFilePath,
               "Current Version=" + major + ".00.0\r\nDownload=http://h/\x1b[2J.zip\r\n");
  core.state.logLevel = LogLevel::Error;
  answer = true;
  EXPECT_EQ(Check(false, server.Url("/")), UpdateResult::Newer);
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_EQ(
      QuestionNamingLocation(offers[0]),  // the version as written, the location escaped
      "There is a new version avaliable: " + major +
          ".00.0\r\nDo you wish to download this version?\r\nDownload: http://h/\\x1b[2J.zip");
  EXPECT_EQ(opened, Lines{"http://h/\x1b[2J.zip"});
  EXPECT_EQ(core.Lines(), Lines{"Please close the Corvane to apply the update."});
}

// Compared with 1.0.2; nothing for a text that does not split.
TEST(VersionFileTest, SplitsAtTwoDotsIntoWholeNumbersAndComparesPartByPart) {
  const std::pair<const char*, std::optional<bool>> cases[] = {// clang-format off
      {"", {}}, {"1.0.", {}}, {"1..2", {}}, {"1.0.2.5", {}}, {"1.0.-2", {}}, {"v1.0.2", {}},
      {"1.0.0x10", {}}, {"1.0.10", true}, {"1.0.2", false}, {"1.1.0", true}, {"0.99.99", false},
      {"001.000.003", true}, {"99999999999999999999.0.0", true}, {" 1 .0.3 ", true}};
  // clang-format on
  for (const auto& [text, newer] : cases) {
    const auto version = SplitVersion(text);
    EXPECT_EQ(version ? std::optional(IsNewer(*version, Version{1, 0, 2})) : std::nullopt, newer)
        << '"' << text << '"';
  }
}

// Blanks and a closing slash go; a query stays after the path. Each test
// runs in its own process with its own settings directory.
TEST(UpdateUrlTest, AnHttpAddressFromTheEnvironmentOrElseFromTheSettingsStore) {
  EXPECT_EQ(VersionFileUrl("  HTTP://H/mirror/?channel=beta  "),
            "http://h/mirror/download/corvane_setup.zip.ver?channel=beta");
  EXPECT_EQ(VersionFileUrl("ftp://h/"), "");
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Talvex", "Corvane")
      .setValue("Update.Url", " http://from-settings/ ");
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-settings/");
  ::setenv("CORVANE_UPDATE_URL", "   ", 1);
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-settings/");
  ::setenv("CORVANE_UPDATE_URL", "http://from-environment:81", 1);
  EXPECT_EQ(ConfiguredUpdateUrl(), "http://from-environment:81");
  ::unsetenv("CORVANE_UPDATE_URL");
}

}  // namespace
}  // namespace corvane
