#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <string>

#include "update/http_fetch.h"
#include "update/version_file.h"

namespace corvane {

class Log;

// What a check came to; the daemon itself needs none of it.
enum class UpdateResult {
  Failed,   // no version file, or one without a usable version or download location
  NoNewer,  // the server's version is not newer than ours
  Newer,    // a newer version exists; it was offered
  Joined,   // a check was already running; it reports for both
};

struct UpdateCheckOptions {
  // The update server's address; "" reads it at each check (environment,
  // then settings store, see update_url.h).
  std::string serverUrl;
  std::chrono::milliseconds timeLimit = kFetchTimeLimit;
  // Where the version file is kept between download and reading; "" gives
  // "VTemp.txt" in the per-user cache directory.
  std::string tempFile;
  Version ownVersion = OwnVersion();
  // Opens the download location after a Yes; empty: the desktop's handler
  // (ShellExec with Open). Its answer is not looked at.
  std::function<bool(const std::string&)> openLocation;
};

// A newer version, offered to the user: a front end asks the question and
// calls UpdateChecker::Accept after a Yes.
struct UpdateOffer {
  std::string title;
  std::string question;  // the new version, and whether to download it
  std::string location;  // the download location, as the server wrote it
};

// The question for where nobody can answer it (console mode): it also names
// the download location, escaped, for the reader to fetch by hand.
std::string QuestionNamingLocation(const UpdateOffer& offer);

// Asks the update server whether a newer release exists. The texts it logs
// and asks are English and never translated.
//
// CheckForUpdate runs on the calling (user-interface) thread and returns
// when the check is over, but the download keeps the event loop turning:
// timers, the console and the window go on meanwhile, and may even ask for
// a second check. That one returns at once (Joined) and the running check
// reports for both: verbosely when either asked so.
class UpdateChecker : public QObject {
  Q_OBJECT

 public:
  explicit UpdateChecker(Log& log, UpdateCheckOptions options = {});

  // verbose false (the check at start-up) shows nothing unless a newer
  // version exists; true (the console's "chk_update") logs every outcome.
  UpdateResult CheckForUpdate(bool verbose);

  // The user said Yes: the download location is opened, and the log asks
  // to close the daemon.
  void Accept(const UpdateOffer& offer);

  // The file the version file is downloaded to.
  std::string TempFile() const;

 signals:
  // A newer version exists. Emitted during CheckForUpdate, which goes on
  // once every receiver has returned.
  void Offered(const UpdateOffer& offer);

 private:
  UpdateResult Check();
  UpdateResult Fail();
  void Offer(const VersionParts& parts, const std::string& download);

  Log& log_;
  UpdateCheckOptions options_;
  HttpFetcher transfer_;
  bool running_ = false;
  bool verbose_ = false;  // of the running check, joined ones included
};

}  // namespace corvane
