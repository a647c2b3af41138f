#include "update/http_fetch.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTimer>

#include "loopback_http_server.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

class HttpFetchTest : public ::testing::Test {
 protected:
  // Never through a proxy that the machine's environment may name.
  void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

  test::LoopbackHttpServer server;
  HttpFetcher fetcher{5s};
};

TEST_F(HttpFetchTest, ReturnsTheBodyByteForByteUpTo64KB) {
  const std::string body = "\xEF\xBB\xBFVersion=1.0.3\r\nDownload=x\n\x01\xFF";
  const std::string full(kMaxFetchBytes, 'v');
  server.Serve("/declared", body);
  server.Serve("/until-close", full, false);
  server.ServeRaw("/hop", "HTTP/1.1 302 Found\r\nLocation: " + server.Url("/declared") +
                              "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  server.Serve("/over", full + "v");

  const std::pair<const char*, std::string> answers[] = {
      {"/declared", body}, {"/until-close", full}, {"/hop", body}};
  for (const auto& [path, expected] : answers) {
    const FetchResult result = fetcher.Fetch(server.Url(path));
    EXPECT_TRUE(result.bOk) << path << ": " << result.sError;
    EXPECT_EQ(result.sBody, expected) << path;
  }
  EXPECT_FALSE(fetcher.Fetch(server.Url("/over")).bOk);
}

TEST_F(HttpFetchTest, GivesUpOnASilentServerAtTheTimeLimitWhileTheEventLoopTurns) {
  server.Stall("/silent");
  HttpFetcher patient(300ms);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(20);
  QElapsedTimer elapsed;
  elapsed.start();

  EXPECT_FALSE(patient.Fetch(server.Url("/silent")).bOk);
  EXPECT_LT(elapsed.elapsed(), 4000) << "the injected limit, not the default one";
  EXPECT_EQ(server.requests(), std::vector<std::string>{"/silent"});
  EXPECT_GT(ticks, 0) << "timers must keep firing during the wait";
  EXPECT_FALSE(patient.IsBusy());
}

}  // namespace
}  // namespace corvane
