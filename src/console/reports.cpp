#include "console/reports.h"

#include "core/change_wakeups.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/shared_point.h"
#include "lang/language.h"

namespace corvane {
namespace {

void WriteReport(Log& log, const std::string& text) {
  log.WriteLog(text, LogLevel::Info, kRawLine);
}

std::string YesNo(const Language& language, bool yes) {
  return language.Translate(yes ? txt::Yes : txt::No);
}

std::string StateWord(const Language& language, bool running) {
  return language.Translate(running ? txt::StateRunning : txt::StateStopped);
}

// The attributes a file may carry to be handled, one word each.
std::string AttributeWords(const Language& language, const ObservationPoint& point) {
  std::string words;
  if (point.archive) words += language.Translate(txt::AttrArchive);
  if (point.readOnly) words += language.Translate(txt::AttrReadOnly);
  if (point.compressed) words += language.Translate(txt::AttrCompressed);
  if (point.hidden) words += language.Translate(txt::AttrHidden);
  if (point.system) words += language.Translate(txt::AttrSystem);
  return words;
}

void ShowPoint(Log& log, std::size_t index, const ObservationPoint& point) {
  const Language& language = log.language();
  const long long ticksLeft = static_cast<long long>(point.interval) - point.ticks;
  WriteReport(
      log, FormatMsg(
               language.Translate(txt::StatisticsPoint),
               {index, point.name, point.directory, point.filePattern, point.command, point.wait,
                YesNo(language, point.terminate), point.windowStyle,
                AttributeWords(language, point), YesNo(language, point.exclusive), point.minimumAge,
                point.ageUnit, point.interval, ticksLeft, point.executed, point.failed,
                YesNo(language, !point.noSubdirectories), WatchStateText(language, point)}));
}

constexpr std::size_t kHeldFilesShown = 5;

std::string Joined(const std::vector<std::string>& parts, std::size_t most) {
  std::string text;
  for (std::size_t i = 0; i < parts.size() && i < most; ++i) text += (i ? ", " : "") + parts[i];
  if (parts.size() > most) text += ", ...";
  return text;
}

// A shared point's line: the id this daemon goes by there, the daemons that
// beat lately, and the files this one holds (a few by name).
void ShowSharing(Log& log, const DaemonState& state, const ObservationPoint& point) {
  const Language& language = log.language();
  if (!point.sharedState || !point.sharedState->folder) {
    WriteReport(log,
                FormatMsg(language.Translate(txt::StatSharedUnopened), {SharedDaemonId(state)}));
    return;
  }
  const SharedFolder& folder = *point.sharedState->folder;
  const auto alive = folder.AliveDaemons(std::chrono::seconds(state.staleSeconds));
  const auto held = folder.HeldFiles();
  std::string heldText = held ? std::to_string(held->size()) : "?";
  if (held && !held->empty()) heldText += " (" + Joined(*held, kHeldFilesShown) + ")";
  WriteReport(
      log, FormatMsg(language.Translate(txt::StatShared),
                     {folder.daemonId(), alive ? Joined(*alive, alive->size()) : "?", heldText}));
}

}  // namespace

void ShowHelp(Log& log) { WriteReport(log, log.language().Translate(txt::HelpReport)); }

void ShowConfiguration(Log& log, const DaemonState& state) {
  try {
    WriteReport(log, FormatMsg(log.language().Translate(txt::ConfigurationReport),
                               {state.daemonName, state.xmlFile, state.logFile,
                                LevelNumber(state.logLevel), state.languageFile}));
    // Only points that move their files get a line: older reports stay as they were.
    const Language& language = log.language();
    for (const ObservationPoint& point : state.points) {
      if (!point.successFolder.empty()) {
        WriteReport(log, FormatMsg(language.Translate(txt::ConfigurationSuccessFolder),
                                   {point.name, point.successFolder}));
      }
      if (!point.failureFolder.empty()) {
        WriteReport(log, FormatMsg(language.Translate(txt::ConfigurationFailureFolder),
                                   {point.name, point.failureFolder}));
      }
    }
  } catch (...) {
  }
}

void ShowStatistics(Log& log, const DaemonState& state, bool running) {
  try {
    const Language& language = log.language();
    WriteReport(log, FormatMsg(language.Translate(txt::StatisticsHeader),
                               {FormatTimeStamp(state.startTime).toStdString(), state.points.size(),
                                StateWord(language, running)}));
    for (std::size_t i = 0; i < state.points.size(); ++i) {
      ShowPoint(log, i, state.points[i]);
      if (state.points[i].shared) ShowSharing(log, state, state.points[i]);
    }
  } catch (...) {
  }
}

std::string CaptionText(const DaemonState& state, const Language& language, bool running) {
  std::string caption = state.daemonName;
  if (caption.empty()) caption = FormatMsg("Corvane [%1]", {state.xmlFile});
  return caption + " (" + StateWord(language, running) + ")";
}

}  // namespace corvane
