#include "update/update_check.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/log.h"
#include "core/log_level.h"
#include "core/settings_store.h"
#include "core/visible_text.h"
#include "update/shell.h"
#include "update/update_url.h"

namespace corvane {
namespace {

constexpr const char* kTitle = "Corvane";

// The version file as downloaded; no more than a download can hold.
std::string ReadTempFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::string text(kMaxFetchBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

}  // namespace

std::string QuestionNamingLocation(const UpdateOffer& offer) {
  return offer.question + "\r\nDownload: " + VisibleText(offer.location);
}

UpdateChecker::UpdateChecker(Log& log, UpdateCheckOptions options)
    : log_(log), options_(std::move(options)), transfer_(options_.timeLimit) {
  if (!options_.openLocation) {
    options_.openLocation = [](const std::string& location) {
      return ShellExec(location, ShellVerb::Open);
    };
  }
}

std::string UpdateChecker::TempFile() const {
  if (!options_.tempFile.empty()) return options_.tempFile;
  return CacheDirectory() + "/VTemp.txt";
}

// A check asked for while one runs (the download keeps the event loop
// turning) cannot wait for it: it would sit on the stack above the running
// check, which could then never return. It joins the running check instead,
// whose outcome is then reported as fully as either of them asked.
UpdateResult UpdateChecker::CheckForUpdate(bool verbose) {
  if (running_) {
    verbose_ = verbose_ || verbose;
    return UpdateResult::Joined;
  }
  running_ = true;
  verbose_ = verbose;
  const UpdateResult result = Check();
  running_ = false;
  return result;
}

// verbose_ is read only once the download is over, so that a check that
// joined meanwhile is answered too.
UpdateResult UpdateChecker::Check() {
  // A check must never take the daemon down: whatever goes wrong is a failed
  // check.
  try {
    const std::string url =
        VersionFileUrl(options_.serverUrl.empty() ? ConfiguredUpdateUrl() : options_.serverUrl);
    if (url.empty()) return Fail();
    const std::string file = TempFile();
    // A failed download leaves the file empty, which the reading below
    // reports; its result need not be looked at.
    DownloadFile(transfer_, url, file);

    const VersionFileInfo info = ParseVersionFile(ReadTempFile(file));
    if (info.version.empty() || info.download.empty()) return Fail();
    const std::optional<VersionParts> parts = SplitVersion(info.version);
    if (!parts) return Fail();
    const bool newer = IsNewer(*parts, options_.ownVersion);
    std::error_code ignored;
    std::filesystem::remove(file, ignored);

    if (verbose_ && !info.message.empty()) {
      if (info.errorNumber == 1) {
        log_.WriteLog("No update found.", LogLevel::Info);
      } else if (info.errorNumber == 0 && newer) {
        log_.WriteLog(VisibleText(info.message), LogLevel::Info);  // the server's own words
      } else if (info.errorNumber == 2 && newer) {
        log_.WriteLog("A new beta version was found.", LogLevel::Info);
      }
    }
    if (newer) {
      Offer(*parts, info.download);
      return UpdateResult::Newer;
    }
    if (verbose_) log_.WriteLog("No update found. You have the newest version.", LogLevel::Info);
    return UpdateResult::NoNewer;
  } catch (const std::exception&) {
    return UpdateResult::Failed;
  }
}

UpdateResult UpdateChecker::Fail() {
  if (verbose_) log_.WriteLog("Error while checking for updates.", LogLevel::Error);
  return UpdateResult::Failed;
}

void UpdateChecker::Offer(const VersionParts& parts, const std::string& download) {
  emit Offered({kTitle,
                "There is a new version avaliable: " + parts.majorPart + "." + parts.minorPart +
                    "." + parts.revisionPart + "\r\nDo you wish to download this version?",
                download});
}

void UpdateChecker::Accept(const UpdateOffer& offer) {
  // Whether the desktop could open it or not, the user has said yes.
  options_.openLocation(offer.location);
  log_.WriteLog("Please close the Corvane to apply the update.", LogLevel::Info, kRawLine);
}

}  // namespace corvane
