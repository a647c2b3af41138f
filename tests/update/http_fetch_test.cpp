#include "update/http_fetch.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTimer>
#include <filesystem>

#include "loopback_http_server.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

class HttpFetchTest : public ::testing::Test {
 protected:
  // The tests talk to their own loopback server, never through a proxy
  // that the machine's environment may name.
  void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

  test::LoopbackHttpServer server;
  HttpFetcher fetcher{5s};
};

TEST_F(HttpFetchTest, ReturnsTheBodyByteForByte) {
  const std::string body =
      "\xEF\xBB\xBF"
      "Current Version=1.0.3\r\nDownload=x\n\x01\xFF";
  server.Serve("/declared", body, true);
  server.Serve("/until-close", body, false);
  server.ServeRaw("/chunked",
                  "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                  "4\r\nCurr\r\n11\r\nent Version=1.0.3\r\n0\r\n\r\n");
  server.ServeRaw("/hop", "HTTP/1.1 302 Found\r\nLocation: " + server.Url("/declared") +
                              "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");

  for (const auto& [path, expected] :
       std::vector<std::pair<std::string, std::string>>{{"/declared", body},
                                                        {"/until-close", body},
                                                        {"/chunked", "Current Version=1.0.3"},
                                                        {"/hop", body}}) {
    const FetchResult result = fetcher.Fetch(server.Url(path));
    EXPECT_TRUE(result.bOk) << path << ": " << result.sError;
    EXPECT_EQ(result.sBody, expected) << path;
  }
}

TEST_F(HttpFetchTest, AcceptsUpTo64KBOfBody) {
  const std::string full(kMaxFetchBytes, 'v');
  const std::string over(kMaxFetchBytes + 1, 'v');
  server.Serve("/full", full, true);
  server.Serve("/full-undeclared", full, false);
  server.Serve("/over", over, true);
  server.Serve("/over-undeclared", over, false);

  EXPECT_EQ(fetcher.Fetch(server.Url("/full")).sBody, full);
  EXPECT_EQ(fetcher.Fetch(server.Url("/full-undeclared")).sBody, full);
  EXPECT_FALSE(fetcher.Fetch(server.Url("/over")).bOk);
  EXPECT_FALSE(fetcher.Fetch(server.Url("/over-undeclared")).bOk);
}

TEST_F(HttpFetchTest, CutsOffAHundredMegabyteBody) {
  constexpr std::uint64_t kHundredMB = 100ull * 1024 * 1024;
  for (const bool bDeclared : {true, false}) {
    test::LoopbackHttpServer big;
    big.Stream("/big", kHundredMB, bDeclared);
    const FetchResult result = fetcher.Fetch(big.Url("/big"));
    EXPECT_FALSE(result.bOk) << "declared " << bDeclared;
    EXPECT_EQ(result.sBody, "");
    // Only what the socket buffers held when the client stopped reading.
    EXPECT_LT(big.streamedBytes(), kHundredMB / 4) << "declared " << bDeclared;
  }
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
  const FetchResult result = patient.Fetch(server.Url("/silent"));

  EXPECT_FALSE(result.bOk);
  EXPECT_EQ(server.requests(), std::vector<std::string>{"/silent"});
  EXPECT_GE(elapsed.elapsed(), 290);
  EXPECT_LT(elapsed.elapsed(), 5000);
  EXPECT_GT(ticks, 0) << "timers must keep firing during the wait";
  EXPECT_FALSE(patient.IsBusy());
}

TEST_F(HttpFetchTest, DownloadEmptiesTheFileFirstAndWritesTheWholeAnswer) {
  test::TempDir dir;
  const std::string file = dir.Write("VTemp.txt", "Current Version=9.9.9\r\nDownload=old\r\n");
  server.Serve("/short", "ab", true);

  EXPECT_FALSE(DownloadFile(fetcher, server.Url("/missing"), file));
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(test::ReadFile(file), "");

  dir.Write("VTemp.txt", "a longer earlier answer");
  EXPECT_TRUE(DownloadFile(fetcher, server.Url("/short"), file));
  EXPECT_EQ(test::ReadFile(file), "ab");

  EXPECT_FALSE(DownloadFile(fetcher, server.Url("/short"), dir.File("no-such-dir/VTemp.txt")));
}

}  // namespace
}  // namespace corvane
