#pragma once

#include <QNetworkAccessManager>
#include <chrono>
#include <cstddef>
#include <string>

namespace corvane {

// The longest a fetch may take, and the largest body it accepts: a version
// file is a few lines, so anything bigger is not one.
inline constexpr std::chrono::milliseconds kFetchTimeLimit{10000};
inline constexpr std::size_t kMaxFetchBytes = 64 * 1024;

struct FetchResult {
  bool ok = false;
  std::string body;       // the whole body when ok
  std::string errorText;  // why not, for diagnostics
};

// The HTTP client of the update check. Fetch is synchronous for its caller
// but keeps the thread's event loop turning (a nested loop), so the window,
// the console and the timers stay alive while a slow server is waited for.
// Because of that nesting a second fetch may be asked for while one runs;
// it is refused at once (IsBusy). Redirects are followed unless they lead
// from https to http, up to Qt's limit, so a loop ends as an error.
// Lives on one thread; must outlive any Fetch in progress.
class HttpFetcher {
 public:
  explicit HttpFetcher(std::chrono::milliseconds timeLimit = kFetchTimeLimit);
  HttpFetcher(const HttpFetcher&) = delete;
  HttpFetcher& operator=(const HttpFetcher&) = delete;

  bool IsBusy() const { return busy_; }

  // GET of an http or https URL. Fails on any network error, a final status
  // outside 2xx, a body larger than kMaxFetchBytes (the transfer is cut off
  // there, so a huge answer costs no more than that), the time limit, or
  // when the application's event loops are told to quit meanwhile.
  FetchResult Fetch(const std::string& url);

 private:
  QNetworkAccessManager manager_;
  std::chrono::milliseconds timeLimit_;
  bool busy_ = false;
};

// Fetches url and writes its bytes to file. The file is emptied (or made)
// before the fetch, so a failed fetch never leaves an earlier answer behind
// to be read as this one's. False when the fetcher is busy with another
// request (the file is then left alone), when the fetch fails, or when the
// file cannot be written.
bool DownloadFile(HttpFetcher& transfer, const std::string& url, const std::string& file);

}  // namespace corvane
