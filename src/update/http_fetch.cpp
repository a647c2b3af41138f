#include "update/http_fetch.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <memory>

#include "core/version.h"

namespace corvane {
namespace {

// One request: a nested event loop that ends when the reply has finished,
// when the time limit has passed, or when the application quits its loops.
class Transfer {
 public:
  Transfer(QNetworkReply& reply, std::chrono::milliseconds timeLimit)
      : reply_(reply), timeLimit_(timeLimit) {}

  FetchResult Run() {
    reply_.setReadBufferSize(static_cast<qint64>(kMaxFetchBytes));
    QObject::connect(&reply_, &QNetworkReply::metaDataChanged, &loop_, [this] { CheckLength(); });
    QObject::connect(&reply_, &QNetworkReply::readyRead, &loop_, [this] { ReadBody(); });
    QObject::connect(&reply_, &QNetworkReply::finished, &loop_, [this] { loop_.quit(); });
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&limit, &QTimer::timeout, &loop_, [this] { Stop("time limit reached"); });
    limit.start(timeLimit_);
    if (!reply_.isFinished()) loop_.exec();
    if (!reply_.isFinished()) Stop("interrupted");
    return Result();
  }

 private:
  bool IsSuccessStatus() const {
    const int status = reply_.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status <= 299;
  }

  // A declared length beyond the limit need not be waited for.
  void CheckLength() {
    const QVariant length = reply_.header(QNetworkRequest::ContentLengthHeader);
    if (IsSuccessStatus() && length.isValid() &&
        length.toULongLong() > static_cast<qulonglong>(kMaxFetchBytes)) {
      Stop("body too large");
    }
  }

  void ReadBody() {
    if (!stopReason_.empty()) return;
    const QByteArray chunk = reply_.read(static_cast<qint64>(kMaxFetchBytes - body_.size() + 1));
    body_.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
    if (body_.size() > kMaxFetchBytes) Stop("body too large");
  }

  void Stop(const char* why) {
    if (stopReason_.empty()) stopReason_ = why;
    reply_.abort();
    loop_.quit();
  }

  FetchResult Result() {
    if (!stopReason_.empty()) return {false, {}, stopReason_};
    if (reply_.error() != QNetworkReply::NoError) {
      return {false, {}, reply_.errorString().toStdString()};
    }
    if (!IsSuccessStatus()) return {false, {}, "no success status"};
    while (reply_.bytesAvailable() > 0 && stopReason_.empty()) ReadBody();
    if (!stopReason_.empty()) return {false, {}, stopReason_};
    return {true, std::move(body_), {}};
  }

  QNetworkReply& reply_;
  const std::chrono::milliseconds timeLimit_;
  QEventLoop loop_;
  std::string body_;
  std::string stopReason_;
};

}  // namespace

HttpFetcher::HttpFetcher(std::chrono::milliseconds timeLimit) : timeLimit_(timeLimit) {}

FetchResult HttpFetcher::Fetch(const std::string& url) {
  if (busy_) return {false, {}, "busy"};
  const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
  if (!address.isValid() || (address.scheme() != "http" && address.scheme() != "https")) {
    return {false, {}, "not an http address"};
  }
  busy_ = true;
  struct ClearBusy {
    bool& busy;
    ~ClearBusy() { busy = false; }
  } clearBusy{busy_};
  QNetworkRequest request(address);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Corvane/") + kVersionText);
  const std::unique_ptr<QNetworkReply> reply(manager_.get(request));
  return Transfer(*reply, timeLimit_).Run();
}

bool DownloadFile(HttpFetcher& transfer, const std::string& url, const std::string& file) {
  if (transfer.IsBusy()) return false;
  if (!std::ofstream(file, std::ios::binary | std::ios::trunc)) return false;
  const FetchResult fetched = transfer.Fetch(url);
  if (!fetched.ok) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(fetched.body.data(), static_cast<std::streamsize>(fetched.body.size()));
  out.close();
  return !out.fail();
}

}  // namespace corvane
