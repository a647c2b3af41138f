#include "core/point_loader.h"

#include "core/daemon_error.h"
#include "core/daemon_state.h"
#include "core/file_age.h"
#include "core/log.h"
#include "core/point_reader.h"
#include "lang/language.h"
#include "lang/untranslated_texts.h"
#include "xml/xml_document.h"

namespace corvane {
namespace {

// A folder named relative to the point's directory (which ends in "/")
// becomes a full path; every folder named ends in "/".
void CompleteFolder(const std::string& directory, std::string& folder) {
  if (folder.empty()) return;
  if (!folder.starts_with('/')) folder.insert(0, directory);
  if (!folder.ends_with('/')) folder += '/';
}

}  // namespace

PointLoader::PointLoader(DaemonState& state, Log& log) : state_(state), log_(log) {}

bool PointLoader::LoadFile(const std::string& file) {
  int added = 0;
  int failed = 0;
  try {
    XmlDocument document;
    document.Initialize(kBestAvailableParser);
    if (!document.OpenFromFile(file)) {
      log_.Message(txt::LoadFailed, LogLevel::Error, {file, document.LastLoadError()});
      return false;
    }
    ReadPoints(document, added, failed);
    if (std::string name = document.ReadNode("/Corvane/Name"); !name.empty()) {
      state_.daemonName = std::move(name);
    }
  } catch (const std::exception& error) {
    log_.WriteLog(ErrorLine("modMain::fLoadFile:", error), LogLevel::Error);
    return false;
  }
  if (added == 0) {
    log_.Message(txt::LoadFailed, LogLevel::Error, {file, "no usable observation point"});
    return false;
  }
  std::string message =
      FormatMsg(log_.language().Translate(txt::Loaded), {file, WithLeadingBlank(added)});
  if (failed > 0) {
    message += " (" + FormatMsg(log_.language().Translate(txt::LoadFailedCount), {failed}) + ")";
  }
  log_.WriteLog(message, LogLevel::Info);
  return true;
}

void PointLoader::ReadPoints(const XmlDocument& document, int& added, int& failed) {
  const int count = document.NodeCount("/Corvane/Observation/Point");
  for (int i = 0; i < count; ++i) {
    ObservationPoint point = ReadPoint(document, i);
    if (AddPoint(point)) {
      ++added;
    } else {
      log_.Message(txt::PointNotAdded, LogLevel::Error, {WithLeadingBlank(i)});
      ++failed;
    }
  }
}

bool PointLoader::AddPoint(ObservationPoint& point) {
  if (point.command.empty() || point.interval <= 0 || point.directory.empty()) return false;
  const std::string writtenPattern = point.filePattern;
  // A command not waited for may still use its file: nothing is moved then.
  const bool foldersIgnored =
      point.wait < 0 && !(point.successFolder.empty() && point.failureFolder.empty());
  try {
    if (!point.directory.ends_with('/')) point.directory += '/';
    // A missing pattern and a lone "*" mean "*.*" (names holding a dot), as
    // stored observation files expect; any other pattern is matched as written.
    if (point.filePattern.empty() || point.filePattern == "*") point.filePattern = "*.*";
    if (point.name.empty()) point.name = point.directory + point.filePattern;
    if (foldersIgnored) point.successFolder = point.failureFolder = "";
    CompleteFolder(point.directory, point.successFolder);
    CompleteFolder(point.directory, point.failureFolder);
    AppendPoint(point);
  } catch (const std::exception& error) {
    log_.WriteLog(ErrorLine("modMain::fAddPoint:", error), LogLevel::Error);
    return false;
  }
  log_.Message(txt::PointAdded, LogLevel::Debug,
               {point.name, point.directory, point.filePattern, point.interval});
  // A name without a dot no longer matches what the user wrote.
  if (!writtenPattern.empty() && writtenPattern != point.filePattern) {
    log_.Message(txt::PatternReplaced, LogLevel::Warning,
                 {point.name, writtenPattern, point.filePattern});
  }
  if (foldersIgnored) log_.Message(txt::OutcomeFoldersIgnored, LogLevel::Warning, {point.name});
  // Such a point never handles a file; the user should know why.
  if (point.minimumAge >= 1 && !point.ageUnit.empty() && !AgeUnitFromPeriod(point.ageUnit)) {
    log_.Message(txt::UnknownPeriod, LogLevel::Warning, {point.name, point.ageUnit});
  }
  return true;
}

void PointLoader::AppendPoint(const ObservationPoint& point) {
  PointTable& points = state_.points;
  if (points.size() == 1 && points.front().IsBlank()) {
    points.front() = point;
  } else {
    points.push_back(point);
  }
}

void PointLoader::ClearPoints() { state_.points.assign(1, ObservationPoint::Blank()); }

void PointLoader::ReloadPoints() {
  const PointTable before = std::move(state_.points);
  ClearPoints();
  LoadFile(state_.xmlFile);
  // A point read again with the same directory and command is the one whose
  // commands may still run: their files stay theirs until they end.
  for (ObservationPoint& point : state_.points) {
    for (const ObservationPoint& old : before) {
      if (old.running && old.directory == point.directory && old.command == point.command) {
        point.running = old.running;
        break;
      }
    }
    // A shared folder read again keeps its claims and what it saw of its
    // files, and the commands still running on claimed files, whatever the
    // command now, so that their files stay claimed until they end.
    for (const ObservationPoint& old : before) {
      if (point.shared && old.sharedState && old.directory == point.directory) {
        point.sharedState = old.sharedState;
        if (!point.running) point.running = old.running;
        break;
      }
    }
  }
}

}  // namespace corvane
