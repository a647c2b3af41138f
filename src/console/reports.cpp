#include "console/reports.h"

#include "core/change_wakeups.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
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
    for (std::size_t i = 0; i < state.points.size(); ++i) ShowPoint(log, i, state.points[i]);
  } catch (...) {
  }
}

std::string CaptionText(const DaemonState& state, const Language& language, bool running) {
  std::string caption = state.daemonName;
  if (caption.empty()) caption = FormatMsg("Corvane [%1]", {state.xmlFile});
  return caption + " (" + StateWord(language, running) + ")";
}

}  // namespace corvane
