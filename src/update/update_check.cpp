#include "update/update_check.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/hosts/message_box.h"
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
std::string ReadTempFile(const std::string& sFile) {
  std::ifstream in(sFile, std::ios::binary);
  std::string text(kMaxFetchBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

}  // namespace

UpdateChecker::UpdateChecker(Log& log, MessageBoxHost& boxes, UpdateCheckOptions options)
    : log_(log), boxes_(boxes), options_(std::move(options)), transfer_(options_.timeLimit) {
  if (!options_.openLocation) {
    options_.openLocation = [](const std::string& sLocation) {
      return ShellExec(sLocation, ShellVerb::Open);
    };
  }
}

std::string UpdateChecker::TempFile() const {
  if (!options_.sTempFile.empty()) return options_.sTempFile;
  return CacheDirectory() + "/VTemp.txt";
}

// A check asked for while one runs (the download keeps the event loop
// turning) cannot wait for it: it would sit on the stack above the running
// check, which could then never return. It joins the running check instead,
// whose outcome is then reported as fully as either of them asked.
UpdateResult UpdateChecker::CheckForUpdate(bool bVerbose) {
  if (bRunning_) {
    bVerbose_ = bVerbose_ || bVerbose;
    return UpdateResult::Joined;
  }
  bRunning_ = true;
  bVerbose_ = bVerbose;
  const UpdateResult result = Check();
  bRunning_ = false;
  return result;
}

// bVerbose_ is read only once the download is over, so that a check that
// joined meanwhile is answered too.
UpdateResult UpdateChecker::Check() {
  // A check must never take the daemon down: whatever goes wrong is a failed
  // check.
  try {
    const std::string sUrl =
        VersionFileUrl(options_.sServerUrl.empty() ? ConfiguredUpdateUrl() : options_.sServerUrl);
    if (sUrl.empty()) return Fail();
    const std::string sFile = TempFile();
    // A failed download leaves the file empty, which the reading below
    // reports; its result need not be looked at.
    DownloadFile(transfer_, sUrl, sFile);

    const VersionFileInfo info = ParseVersionFile(ReadTempFile(sFile));
    if (info.sVersion.empty() || info.sDownload.empty()) return Fail();
    const std::optional<VersionParts> parts = SplitVersion(info.sVersion);
    if (!parts) return Fail();
    const bool bNewer = IsNewer(*parts, options_.ownVersion);
    std::error_code ignored;
    std::filesystem::remove(sFile, ignored);

    if (bVerbose_ && !info.sMessage.empty()) {
      if (info.iError == 1) {
        log_.WriteLog("No update found.", LogLevel::Info);
      } else if (info.iError == 0 && bNewer) {
        log_.WriteLog(VisibleText(info.sMessage), LogLevel::Info);  // the server's own words
      } else if (info.iError == 2 && bNewer) {
        log_.WriteLog("A new beta version was found.", LogLevel::Info);
      }
    }
    if (bNewer) {
      Offer(*parts, info.sDownload);
      return UpdateResult::Newer;
    }
    if (bVerbose_) log_.WriteLog("No update found. You have the newest version.", LogLevel::Info);
    return UpdateResult::NoNewer;
  } catch (const std::exception&) {
    return UpdateResult::Failed;
  }
}

UpdateResult UpdateChecker::Fail() {
  if (bVerbose_) log_.WriteLog("Error while checking for updates.", LogLevel::Error);
  return UpdateResult::Failed;
}

void UpdateChecker::Offer(const VersionParts& parts, const std::string& sDownload) {
  std::string sText = "There is a new version avaliable: " + parts.sMajor + "." + parts.sMinor +
                      "." + parts.sRevision + "\r\nDo you wish to download this version?";
  if (options_.bQuestionNamesLocation) sText += "\r\nDownload: " + VisibleText(sDownload);
  if (!boxes_.AskYesNo(kTitle, sText)) return;
  // Whether the desktop could open it or not, the user has said yes.
  options_.openLocation(sDownload);
  log_.WriteLog("Please close the Corvane to apply the update.", LogLevel::Info, kRawLine);
}

}  // namespace corvane
